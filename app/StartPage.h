#pragma once
// The start page ts1: a local page shipped inside the program (nothing is fetched from the
// web when the program starts).

#include <QString>

namespace app {

QString StartPageHtml();

}  // namespace app
