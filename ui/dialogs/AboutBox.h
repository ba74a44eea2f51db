// The About box and the program's icon.
#pragma once

#include <QIcon>

class QWidget;

// Shows the modal "About Picdex" box: the icon, "Picdex Version 1.5E" and OK.
void ShowAboutBox(QWidget* parent);

// The program's icon, drawn at run time: a framed picture with hills and a sun.
QIcon ProgramIcon();
