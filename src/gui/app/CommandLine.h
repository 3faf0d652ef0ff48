#pragma once
// The program's entry: the command line, the check mode and the normal run.

int RunVlakomat(int argc, char** argv);
