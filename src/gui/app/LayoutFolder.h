#pragma once
// A layout folder made from the sample files (vlakomat --init): the tables, the sample layout
// and the settings that start the program on its simulated command station.

#include <QString>

// $VLAKOMAT_SAMPLES when set, else the folder the package installs the samples in.
QString SamplesFolder();

// Copies each sample file that `folder` lacks into it, making the folder when needed; files
// already there are kept. Says what it did in one line, on standard output when the folder is
// ready, on standard error when not, and returns the exit status.
int InitLayoutFolder(const QString& folder, const QString& samples);
