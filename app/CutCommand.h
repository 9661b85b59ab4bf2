#pragma once

#include <optional>

// `trimora --cut START END SOURCE CLIP [--exact] [--overwrite]`: saves the
// clip between two times as the window's Save does for the same marks, with
// no display and no sound device. Nothing when the command line asks for no
// cut; otherwise the exit status, after one line on standard error for a
// refusal or failure.
std::optional<int> runCutCommand(int argc, char** argv);
