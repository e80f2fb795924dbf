#pragma once

#include "catalogue/session.h"
#include "firmware/anchors.h"
#include "firmware/byte_image.h"
#include "firmware/dialogs.h"

namespace velmora {

// Walks the byte-normalised image for MPEG-2 streams and MPEG-4 chunks, fills
// session.PictureTable (PictureCount, PicturesFound), logs each picture and
// moves the progress bar. Reads outside the image never abort the scan.
void scanPictures(const ByteImage& image, const Anchors& anchors, Session& session, Dialogs& ui);

}  // namespace velmora
