#include "drive/connection/status_poll.h"

#include "drive/connection/drive_connection.h"
#include "drive/connection/status_variables.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace tarvex {

namespace {

class StatusPoll {
public:
    explicit StatusPoll(DriveConnection &drive) : drive_(drive) {}

    void run()
    {
        for (;;) {
            if (!polling() && drive_.linkPolling.load() != 1)
                break;
            std::this_thread::sleep_for(status_poll::kIdleWait);
            if (!polling()) {
                showStale(true);
                continue;
            }
            showStale(false);
            // A failed read stops monitoring and clears link polling, so
            // the next round leaves the loop.
            if (!readStateVariables())
                continue;
            if (polling())
                readInputsAndOutputs();
        }
        drive_.monitorBusy = 0;
        showStale(true);
    }

private:
    // What the panes show stops being the drive's state when polling stops
    // (Stop, Disconnect, a failed read): they mark it as old until it runs again.
    void showStale(bool stale)
    {
        if (stale == staleShown_)
            return;
        staleShown_ = stale;
        drive_.withVariableView([&](StatusVariableView &view) { view.showStale(stale); });
        drive_.withLampViews([&](LampView *inputs, LampView *outputs) {
            if (inputs)
                inputs->showStale(stale);
            if (outputs)
                outputs->showStale(stale);
        });
    }

    bool polling() const { return drive_.monitoringMode.load() == DriveConnection::kMonitoringPoll; }

    std::uint32_t tickedRows()
    {
        std::uint32_t mask = 0;
        drive_.withVariableView([&](StatusVariableView &view) { mask = view.tickedRows(); });
        return mask & status::kAllRows;
    }

    // One scattered read of the ticked rows, then their texts row by row.
    // False when the read failed and monitoring has been stopped.
    bool readStateVariables()
    {
        const std::uint32_t ticked = tickedRows();
        const ScatteredRequest request = status::buildRequest(ticked);
        std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
        std::memset(reply_, 0, sizeof reply_);
        {
            BusyScope busy(drive_.monitorBusy);
            drive_.link().RdEachRegister(request, reply_, &status);
        }
        if (status != VQ_STATUS_OK) {
            if (request.byteCount > 0) {
                scatteredReadFailed();
                return false;
            }
            return true; // nothing was asked for: go on with the inputs and outputs
        }
        std::memcpy(shown_, reply_, sizeof shown_);
        showStateVariables(ticked, request.byteCount);
        return true;
    }

    // With the fast exchange the link is quick enough that the panes take
    // a whole cycle at once; otherwise the cells go one by one, paced.
    bool wholeCycles() const { return drive_.fastExchangeInEffect(); }

    void showStateVariables(std::uint32_t ticked, int byteCount)
    {
        const std::string version = drive_.versionText();
        const bool whole = wholeCycles();
        StatusCycle read{std::chrono::system_clock::now(), std::chrono::steady_clock::now(), {}};
        std::vector<std::pair<int, std::string>> &cycle = read.values;
        int offset = 0;
        for (int row = 1; row <= status::kRowCount; ++row) {
            if (!whole)
                std::this_thread::sleep_for(status_poll::kCellPacing);
            if (!status::isTicked(ticked, row))
                continue;
            const int bytes = status::variables()[static_cast<std::size_t>(row - 1)].width / 8;
            if (offset + bytes > byteCount)
                break;
            std::string text = status::formatValue(row, shown_ + offset, version);
            offset += bytes;
            if (!whole)
                drive_.withVariableView([&](StatusVariableView &view) { view.showValue(row, text); });
            cycle.emplace_back(row, std::move(text));
        }
        drive_.withVariableView([&](StatusVariableView &view) {
            if (whole)
                view.showValues(cycle);
            view.cycleShown(read);
        });
    }

    void readInputsAndOutputs()
    {
        std::uint8_t block[2 * status::kInputOutputRegisters] = {};
        std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
        {
            BusyScope busy(drive_.monitorBusy);
            drive_.link().RdMtRegister(status::kInputOutputStart, status::kInputOutputRegisters,
                                       block, &status);
        }
        if (status != VQ_STATUS_OK) {
            inputOutputReadFailed(status);
            return;
        }
        if (wholeCycles()) {
            std::vector<bool> inputs, outputs;
            for (int row = 1; row <= status::kInputCount; ++row)
                inputs.push_back(status::inputOn(block, row));
            for (int row = 1; row <= status::kOutputCount; ++row)
                outputs.push_back(status::outputOn(block, row));
            drive_.withLampViews([&](LampView *inputView, LampView *outputView) {
                if (inputView)
                    inputView->showLamps(inputs);
                if (outputView)
                    outputView->showLamps(outputs);
            });
            return;
        }
        for (int row = 1; row <= status::kInputCount; ++row) {
            std::this_thread::sleep_for(status_poll::kCellPacing);
            const bool on = status::inputOn(block, row);
            drive_.withLampViews([&](LampView *inputs, LampView *) {
                if (inputs)
                    inputs->showLamp(row, on);
            });
        }
        for (int row = 1; row <= status::kOutputCount; ++row) {
            std::this_thread::sleep_for(status_poll::kCellPacing);
            const bool on = status::outputOn(block, row);
            drive_.withLampViews([&](LampView *, LampView *outputs) {
                if (outputs)
                    outputs->showLamp(row, on);
            });
        }
    }

    void scatteredReadFailed()
    {
        if (drive_.isLinkOpen()) {
            drive_.linkPolling = 0;
            drive_.messages().show("Error Status check!");
        }
        drive_.StopMonitoring();
        if (drive_.isLinkOpen())
            drive_.runDisconnectSteps();
        endPolling();
    }

    void inputOutputReadFailed(std::uint8_t status)
    {
        if (drive_.isLinkOpen()) {
            char text[64];
            std::snprintf(text, sizeof text, "Error Communication Code : %d ", int{status});
            drive_.runDisconnectSteps();
            drive_.messages().show(text, linkCause(status, drive_.place()));
        }
        drive_.StopMonitoring();
        endPolling();
    }

    void endPolling()
    {
        drive_.monitoringMode = 0;
        drive_.monitorBusy = 0;
        drive_.linkPolling = 0;
    }

    DriveConnection &drive_;
    std::uint8_t reply_[256] = {};
    std::uint8_t shown_[256] = {};
    bool staleShown_ = true; // nothing live is shown before the first poll
};

} // namespace

void runStatusPoll(DriveConnection &drive)
{
    StatusPoll(drive).run();
}

} // namespace tarvex
