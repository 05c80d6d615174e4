#pragma once

#include <QFont>

// The window's face: 宋体 at 14 px, unhinted.
QFont ConsoleFace();

// Lets the Windows face names 宋体 and 黑体, which the window asks for, find
// a CJK face installed here, then makes the console's face every widget's
// default. Call once the QApplication exists, before the window is built.
void UseConsoleFace();
