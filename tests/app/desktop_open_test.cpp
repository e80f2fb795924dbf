// SPDX-License-Identifier: GPL-3.0-or-later
// "Open with the desktop" hands the file to Qt's URL handling as a local file.
#include <gtest/gtest.h>
#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include "app/qt_dialogs.h"

namespace velmora::testing {
namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(OpenWithDesktop, HandsTheFileOverAsALocalFileUrl) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QtDialogs dialogs(nullptr, nullptr, nullptr);
    dialogs.openWithDesktop("/tmp/work dir/$mpeg.m4v");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_TRUE(catcher.urls[0].isLocalFile());
    EXPECT_EQ(catcher.urls[0].toLocalFile(), QStringLiteral("/tmp/work dir/$mpeg.m4v"));
}

}  // namespace
}  // namespace velmora::testing

#include "desktop_open_test.moc"
