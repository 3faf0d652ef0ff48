#pragma once
// Qt's own texts that its Slovenian catalogue leaves in English (the standard buttons of its
// dialogs, the help of the command line), in the program's language.

// Installs them for as long as the application object lives; calling it again does no harm.
void InstallQtTexts();
