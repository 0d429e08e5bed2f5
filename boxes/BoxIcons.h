#pragma once
// The small pictures of the box lists: paper clip, failed, unread, red and blue label.

#include <QIcon>

#include "boxes/BoxListModel.h"

namespace boxes {

// The picture of an image of the list; a null icon for RowImage::None.
QIcon BoxIcon(RowImage image);

}  // namespace boxes
