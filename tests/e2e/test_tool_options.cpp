// The program and its tools take their options alike: --version names the build's one
// version, --help ends well, and the options that --help lists are those of the tool's
// manual page, both ways.

#include "support/ToolProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Program {
    const char* binary; // under the build folder
    const char* page;   // the manual page, under docs/man
    const char* name;   // as --version names it
};

const Program kPrograms[] = {
    {"src/gui/vlakomat", "vlakomat.1", "Vlakomat"},
    {"src/tools/monitor/vlakomat-monitor", "vlakomat-monitor.1", "vlakomat-monitor"},
    {"src/tools/cs/vlakomat-cs", "vlakomat-cs.1", "vlakomat-cs"},
    {"src/tools/train/vlakomat-train", "vlakomat-train.1", "vlakomat-train"},
    {"src/tools/drive/vlakomat-drive", "vlakomat-drive.1", "vlakomat-drive"},
};

QSet<QString> LongOptions(QString text) {
    text.remove(QLatin1Char('\\')); // troff writes "\-\-tcp"
    QSet<QString> options;
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*[a-z]"));
    for (const QRegularExpressionMatch& m : option.globalMatch(text))
        options.insert(m.captured());
    return options;
}

std::string Sorted(const QSet<QString>& set) {
    QStringList list(set.begin(), set.end());
    list.sort();
    return list.join(QLatin1Char(' ')).toStdString();
}

class ToolOptions : public ::testing::TestWithParam<Program> {};

TEST_P(ToolOptions, VersionHelpAndManualPageAgree) {
    const Program& p = GetParam();
    const QString binary = QStringLiteral(VLAKOMAT_BINARY_DIR "/") + QString::fromLatin1(p.binary);
    for (const char* flag : {"--version", "-v"}) {
        const ToolRun version = RunTool(binary, {QString::fromLatin1(flag)});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, std::string(p.name) + " " VLAKOMAT_VERSION "\n");
    }
    const ToolRun help = RunTool(binary, {QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0) << help.err;
    EXPECT_EQ(help.err, "");

    QFile page(QStringLiteral(VLAKOMAT_SOURCE_DIR "/docs/man/") + QString::fromLatin1(p.page));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QSet<QString> inHelp = LongOptions(QString::fromStdString(help.out));
    const QSet<QString> inPage = LongOptions(QString::fromUtf8(page.readAll()));
    EXPECT_TRUE(inHelp.contains(QStringLiteral("--help")) &&
                inHelp.contains(QStringLiteral("--version")));
    EXPECT_EQ(Sorted(inHelp), Sorted(inPage));
}

INSTANTIATE_TEST_SUITE_P(Programs, ToolOptions, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& p) {
                             std::string name = p.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
