#include "gui/common/QtTexts.h"

#include <QCoreApplication>
#include <QTranslator>

#include <cstring>

namespace {

struct QtTextRow {
    const char* context;
    const char* source;
    const char* text;
};

// The dialogs' "OK" and "Cancel" are captions of the program and stay as they are, also where
// a Qt dialog or box brings its own Cancel button.
const QtTextRow kTexts[] = {
    {"QPlatformTheme", "Save", "Shrani"},
    {"QPlatformTheme", "Save All", "Shrani vse"},
    {"QPlatformTheme", "Open", "Odpri"},
    {"QPlatformTheme", "&Yes", "&Da"},
    {"QPlatformTheme", "Yes to &All", "Da za &vse"},
    {"QPlatformTheme", "&No", "&Ne"},
    {"QPlatformTheme", "N&o to All", "N&e za vse"},
    {"QPlatformTheme", "Abort", "Prekini"},
    {"QPlatformTheme", "Retry", "Poskusi znova"},
    {"QPlatformTheme", "Ignore", "Spreglej"},
    {"QPlatformTheme", "Close", "Zapri"},
    {"QPlatformTheme", "Cancel", "Cancel"},
    {"QPlatformTheme", "Discard", "Zavrzi"},
    {"QPlatformTheme", "Help", "Pomoč"},
    {"QPlatformTheme", "Apply", "Uveljavi"},
    {"QPlatformTheme", "Reset", "Ponastavi"},
    {"QPlatformTheme", "Restore Defaults", "Obnovi privzete vrednosti"},
    {"QCommandLineParser", "Displays version information.", "Izpiše različico programa."},
    {"QCommandLineParser", "Displays help on commandline options.",
     "Izpiše pomoč o možnostih ukazne vrstice."},
    {"QCommandLineParser", "Displays help including Qt specific options.",
     "Izpiše pomoč z možnostmi knjižnice Qt vred."},
    {"QCommandLineParser", "Unknown option '%1'.", "Neznana možnost »%1«."},
    {"QCommandLineParser", "Unknown options: %1.", "Neznane možnosti: %1."},
    {"QCommandLineParser", "Missing value after '%1'.", "Za »%1« manjka vrednost."},
    {"QCommandLineParser", "Unexpected value after '%1'.", "Za »%1« vrednost ni pričakovana."},
    {"QCommandLineParser", "[options]", "[možnosti]"},
    {"QCommandLineParser", "Usage: %1", "Uporaba: %1"},
    {"QCommandLineParser", "Options:", "Možnosti:"},
    {"QCommandLineParser", "Arguments:", "Argumenti:"},
    {"QFileSystemModel", "Type", "Vrsta"},
    {"QFileSystemModel", "Date Modified", "Datum spremembe"},
};

const char* QtText(const char* context, const char* source) {
    if (context == nullptr || source == nullptr)
        return nullptr;
    for (const QtTextRow& row : kTexts)
        if (std::strcmp(row.context, context) == 0 && std::strcmp(row.source, source) == 0)
            return row.text;
    return nullptr;
}

class QtTextsTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        const char* text = QtText(context, source);
        return text ? QString::fromUtf8(text) : QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

void InstallQtTexts() {
    static QtTextsTranslator translator;
    if (QCoreApplication::instance() == nullptr)
        return;
    // Once per application object; a second application object in the same process (the
    // tests) gets it again.
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::installTranslator(&translator);
}
