// TarnelSvc: the service program. Reads top to bottom as the start-up; the
// objects tear down in reverse when the event loop ends.
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "service/host/AsioTimer.h"
#include "service/host/BuiltInProviders.h"
#include "service/host/CreateGas.h"
#include "service/host/JournalTap.h"
#include "service/host/PlantMonitor.h"
#include "service/host/StatusPage.h"
#include "service/host/SystemdJournal.h"
#include "service/host/SystemdServiceControl.h"
#include "service/host/frmMain.h"

namespace {

// The whole argument string, as the command line is compared as one text.
std::string CommandLine(int argc, char* argv[]) {
    std::string strCommand;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) strCommand += ' ';
        strCommand += argv[i];
    }
    return strCommand;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace tarnel;
    const std::string strCommand = CommandLine(argc, argv);

    // Run by systemd, every log entry also goes to the journal.
    SystemdJournal journal;
    std::optional<JournalTap> journalTap;
    if (SystemdJournal::UnderSystemd()) journalTap.emplace(journal);

    asio::io_context loop;
    auto work = asio::make_work_guard(loop);
    SystemdServiceControl NTService1(loop, "Tarnel Service",
                                     UnitFile(UnitFile::DefaultFolder(), "TarnelService"));
    StatusPage window(loop);

    int nExitCode = 0;
    auto endProgram = [&](int nCode) {
        nExitCode = nCode;
        loop.stop();
    };
    auto createOpcClient = [&loop](const std::string& strIniFile) {
        return std::make_unique<OpcClient>(BuiltInProviders(loop, strIniFile));
    };
    frmMain form({NTService1, window, AsioTimer::Factory(loop), std::cout, endProgram, CreateGas,
                  createOpcClient});
    PlantMonitor monitor(form, NTService1, AsioTimer::Factory(loop));
    form.Monitor(&monitor);
    form.Form_Load(strCommand);

    loop.run();
    form.Monitor(nullptr);
    return nExitCode;
}
