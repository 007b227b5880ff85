#include "assets/assetlists.h"

FontList fontList;
quint8 fontCount = 0;
ImageList imageList;
quint8 imageCount = 0;
