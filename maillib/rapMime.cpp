// The rapMime unit is split into small files with one purpose each (Base64.cpp, Charsets.cpp,
// HeaderWords.cpp, ...). This file only makes sure the umbrella header compiles on its own.
#include "maillib/rapMime.h"
