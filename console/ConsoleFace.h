#pragma once

#include <QFont>

// The window's face: 宋体 at 14 px, unhinted.
QFont ConsoleFace();

// Makes the console's face every widget's default.
// Call once the QApplication exists, before the window is built.
void UseConsoleFace();
