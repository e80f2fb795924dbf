#include "media/picture_actions.h"

namespace velmora {

void View1Click(Session&, Dialogs&, PreviewSink&) {}
void Savevideo1Click(Session&, Dialogs&) {}
void Savepicture1Click(Session&, Dialogs&) {}

}  // namespace velmora
