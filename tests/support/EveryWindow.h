#pragma once
// Every window of the program, open at once in a started program: the main window, both
// throttles, the monitor, the guide and every dialog. A new window is one more row here,
// and the tests that walk every window (help sentences, Slovenian texts) see it.

#include "gui/app/AboutDialog.h"
#include "gui/help/Help.h"
#include "gui/help/HelpWindow.h"
#include "gui/layout/DlgTurnout.h"
#include "gui/loconet/DlgLoconetMonitor.h"
#include "gui/roster/DlgFunction.h"
#include "gui/roster/DlgFunctionMap.h"
#include "gui/roster/DlgLoco.h"
#include "gui/roster/DlgRoster.h"
#include "gui/settings/DlgSave.h"
#include "gui/settings/DlgSettings.h"
#include "support/AppRig.h"

#include <functional>
#include <memory>
#include <vector>

struct EveryWindow {
    explicit EveryWindow(AppRig& rig) {
        CMainFrame& frame = rig.Frame();
        RosterData& data = rig.app->Data();
        Prompts& prompts = rig.prompts;
        windows = {&frame, rig.NewThrottle(), rig.NewRealisticThrottle()};
        frame.Action(QStringLiteral("actionMonitor"))->trigger();
        windows.push_back(frame.Monitor());
        frame.Help().ShowContents();
        windows.push_back(frame.Help().Window());
        const Loco& loco = data.roster.locos[0];
        const std::function<QWidget*()> dialogs[] = {
            [&] { return new CAboutDialog(&frame); },
            [&] {
                return new CDlgSettings(rig.app->Settings().settings, prompts,
                                        CDlgSettings::AvailablePorts({}), &frame);
            },
            [&] { return new CDlgSave(true, true, &frame); },
            [&] { return new CDlgTurnout(4, TurnoutProperties{}, prompts, &frame); },
            [&] { return new CDlgDetector(17, prompts, &frame); },
            [&] { return new CDlgRoster(&frame, data, prompts); },
            [&] { return new CDlgLoco(&frame, data.decoders, data.functions, prompts, loco); },
            [&] {
                return new CDlgFunction(&frame, data.functions,
                                        FunctionEdit::Of(data.functions.entries[3]), prompts);
            },
            [&] {
                return new CDlgFunctionMap(
                    &frame, FunctionMapEditor(data.functions.entries[3], loco.FuncFlags[3],
                                              loco.FuncSequences[3], prompts));
            },
        };
        for (const auto& make : dialogs) {
            owned.emplace_back(make());
            owned.back()->show();
            windows.push_back(owned.back().get());
        }
    }

    std::vector<QWidget*> windows;
    std::vector<std::unique_ptr<QWidget>> owned;
};
