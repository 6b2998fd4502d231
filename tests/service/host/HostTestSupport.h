#pragma once
#include <asio/io_context.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/ModuleRegistration.h"
#include "service/host/IServiceControl.h"
#include "service/host/IStatusWindow.h"
#include "service/host/ITimer.h"
#include "tests/support/TempFolder.h"

namespace tarnel::test {

// A fresh program folder (TARNEL_HOME) for one test, removed afterwards, with
// its own registry (TARNEL_REGISTRY) in which the calculation component is
// registered, as an installation would have it.
class TempHome {
public:
    TempHome() {
        setenv("TARNEL_HOME", m_Path.c_str(), 1);
        setenv("TARNEL_REGISTRY", (m_Path + "/registry").c_str(), 1);
        std::string strDetail;
        if (FAILED(RegisterModule(PELLONAR_PATH, false, strDetail))) {
            throw std::runtime_error("cannot register " PELLONAR_PATH ": " + strDetail);
        }
    }
    ~TempHome() {
        unsetenv("TARNEL_REGISTRY");
        unsetenv("TARNEL_HOME");
    }
    const std::string& Path() const { return m_Path; }
    void Write(const std::string& strName, const std::string& strText) const {
        TempFolder::Write(m_Folder.File(strName), strText);
    }
    std::string Read(const std::string& strName) const {
        return TempFolder::Read(m_Folder.File(strName));
    }
    // The log's entries without their time stamps.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream log(Read("TarnelService.log"));
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line.size() >= 22 ? line.substr(22) : line);
        }
        return lines;
    }

private:
    TempFolder m_Folder;
    std::string m_Path = m_Folder.Path().string();
};

// A timer that ticks only when the test says so.
class ManualTimer : public ITimer {
public:
    explicit ManualTimer(std::function<void()> tick) : m_Tick(std::move(tick)) {}
    bool Enabled() const override { return m_bEnabled; }
    void Enabled(bool bEnabled) override { m_bEnabled = bEnabled; }
    // Ticks when enabled, as the real timer would after its interval.
    void Tick() {
        if (m_bEnabled) m_Tick();
    }

private:
    std::function<void()> m_Tick;
    bool m_bEnabled = false;
};

// Makes ManualTimers and finds them again by interval in milliseconds.
class ManualTimers {
public:
    TimerFactory Factory() {
        return [this](std::chrono::milliseconds interval, std::function<void()> tick) {
            auto timer = std::make_unique<ManualTimer>(std::move(tick));
            m_Timers[interval.count()] = timer.get();
            return timer;
        };
    }
    ManualTimer& Connect() { return *m_Timers.at(1000); }
    ManualTimer& Watchdog() { return *m_Timers.at(60000); }
    ManualTimer& Msg() { return *m_Timers.at(4000); }
    ManualTimer& Stop() { return *m_Timers.at(2000); }

private:
    std::map<long, ManualTimer*> m_Timers;
};

// Records what the window object asks of the service control.
class FakeServiceControl : public IServiceControl {
public:
    std::string DisplayName() const override { return "Tarnel Service"; }
    void Interactive(bool b) override { bInteractive = b; }
    void Debug(bool b) override { bDebug = b; }
    void ControlsAccepted(std::int32_t n) override { nControlsAccepted = n; }
    bool Install() override {
        ++nInstalls;
        return bSucceed;
    }
    bool Uninstall() override {
        ++nUninstalls;
        return bSucceed;
    }
    void StartService() override { ++nStarts; }
    void Events(IServiceEvents* p) override { pEvents = p; }

    bool bSucceed = true;
    bool bInteractive = false;
    bool bDebug = false;
    std::int32_t nControlsAccepted = 0;
    int nInstalls = 0, nUninstalls = 0, nStarts = 0;
    IServiceEvents* pEvents = nullptr;
};

// Keeps the latest snapshot and the action handler instead of serving a page.
class FakeWindow : public IStatusWindow {
public:
    void Show(const std::string& strAddr, std::int32_t nPrt,
              std::function<void(const WindowAction&)> handler) override {
        bShown = true;
        strAddress = strAddr;
        nPort = nPrt;
        onAction = std::move(handler);
    }
    void Hide() override { bShown = false; }
    void Publish(std::shared_ptr<const WindowSnapshot> s) override { snapshot = std::move(s); }

    bool bShown = false;
    std::string strAddress;
    std::int32_t nPort = 0;
    std::function<void(const WindowAction&)> onAction;
    std::shared_ptr<const WindowSnapshot> snapshot;
};

}  // namespace tarnel::test
