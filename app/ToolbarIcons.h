// The toolbar's button pictures, drawn at run time in the 17 x 17 look of the toolbar.
#pragma once

#include <QIcon>

// The picture of command id's button; a null icon for a command without one.
QIcon CommandIcon(int id);
