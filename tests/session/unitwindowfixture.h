#pragma once

#include "../app/windowfixture.h"
#include "app/linkwindow.h"
#include "app/portdialog.h"
#include "expectedtexts.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"
#include "unitsimulator.h"

#include <QPushButton>

#include <memory>

// The program with short time limits (SID waits longer than the others, so
// that each command's own limit shows) and a simulated unit on its port.
struct UnitWindowFixture : WindowFixture
{
    std::unique_ptr<UnitSimulator> unit;

    UnitWindowFixture()
    {
        services.linkLimits
            = { .sid = 600, .rid = 300, .stm = 300, .snm = 300, .rtm = 300, .rnm = 300 };
        services.linkTickInterval = 100;
    }
    kalvidor::LinkWindow &linkWindow() const { return *ops().linkWindow(); }
    QString settings() const { return kalvidor::settingsFilePath(dir.path()); }
    // Closes the port dialog as the user does after fixing the port: the
    // link is unloaded and the next command opens the port again.
    void reloadLink() const
    {
        ops().openPortDialog();
        ops().portDialog()->cancelButton()->click();
    }
};

// Starts a unit run with `options` that COM`port` of `rig` leads to, then the program.
#define START_UNIT(rig, options, port)                                                             \
    (rig).unit = std::make_unique<UnitSimulator>(options);                                         \
    START_UNIT_SIMULATOR(*(rig).unit, (rig).dir.path(), port);                                     \
    (rig).create()
