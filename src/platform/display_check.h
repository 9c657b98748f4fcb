#pragma once
// Whether the program can show its window at all: without a display Qt's
// X11 platform would abort with a message about reinstalling.
#include <QString>

// Empty when a window can be shown (a reachable display, or a platform that
// needs none, such as "offscreen"); otherwise one line that names the
// problem, in Chinese and English.
QString MissingDisplayProblem(int argc, char** argv);
