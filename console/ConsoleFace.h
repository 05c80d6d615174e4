#pragma once

// Makes the window's face, 宋体 at 14 px and unhinted, every widget's default.
// Call once the QApplication exists, before the window is built.
void UseConsoleFace();
