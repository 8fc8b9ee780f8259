// The pictures of the forwarding window, drawn rather than loaded: the link
// icon in its three looks and the activity animation's still picture and
// four frames.
#pragma once

#include "links/ForwardingView.h"

#include <QPixmap>

QPixmap LinkIcon(LinkLook look);
// frame 0..3, or -1 for the still picture.
QPixmap ActivityIcon(int frame);
