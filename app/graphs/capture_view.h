// What the trigger capture and alarm trace windows keep of a one-shot
// capture and do with it alike: the channel selection it was taken with,
// its samples as shown (rotated to the drive's start position), their
// mapping into channel 1's range, the axis limits, the chart that draws
// them, and the graph file that holds them. User-interface thread only.
#pragma once

#include "drive/capture/capture_buffers.h"
#include "drive/capture/capture_csv.h"
#include "app/graphs/capture_plot.h"
#include "app/graphs/capture_set_up_memory.h"
#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_lists.h"
#include "drive/capture/channel_scaling.h"
#include "drive/capture/graph_file.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CChartView;

namespace tarvex::graphs {

template <std::size_t N>
class CaptureView {
public:
    // The window's channel lists and chart; both outlive this view.
    void attach(CChannelLists &lists, CChartView &chart)
    {
        m_lists = &lists;
        m_chart = &chart;
    }

    // The opening: empty samples, "Not Use" in every list, the default
    // limits and a fresh chart.
    void reset()
    {
        m_display = {};
        m_fromDrive = false;
        m_plotted = false;
        m_lists->setIndices({0, 0, 0, 0});
        takeSelection();
        m_limits = kDefaultLimits;
        setUpChart();
    }

    // The lists' current selection becomes the capture's.
    void takeSelection()
    {
        m_listIndex = m_lists->indices();
        m_names = m_lists->names();
    }

    // The channels and limits the user left the window with.
    void restoreSetUp(const CaptureSetUp &setUp)
    {
        m_lists->setIndices(setUp.channels);
        m_limits = setUp.limits;
        takeSelection();
        setUpChart();
    }
    CaptureSetUp setUp(int period) const { return {m_listIndex, period, m_limits}; }

    // The drive's codes of the selected channels.
    std::array<std::uint16_t, 4> channelCodes() const
    {
        std::array<std::uint16_t, 4> codes{};
        for (std::size_t c = 0; c < 4; ++c)
            codes[c] = static_cast<std::uint16_t>(channelCode(m_listIndex[c]));
        return codes;
    }

    void setUpChart() { m_chart->setUp(captureChartSetup(m_names, m_listIndex, m_limits, static_cast<int>(N))); }

    // Maps the samples into channel 1's range and draws them, each point
    // labelled with its time at `period` x 0.2 ms.
    void plot(int period)
    {
        m_scaled = scaleIntoPrimary(m_display, m_limits);
        plotCapture(*m_chart, plotValues(m_scaled), m_listIndex, period);
        m_plotted = true;
    }

    // The limits have been edited: the chart is set up again for the lists'
    // selection and redrawn.
    void replotForSelection(int period)
    {
        takeSelection();
        setUpChart();
        plot(period);
    }

    // A capture as the drive holds it, oldest sample at `start`.
    void receive(const CaptureChannels<N> &received, unsigned start)
    {
        m_display = rotateChannels(received, start);
        m_received = m_display;
        m_fromDrive = true;
        m_plotted = false;
    }
    // The DC-link channels arrive in 0.1 V and are shown in volts.
    void divideDcLink() { divideDcLinkChannels(m_display, m_listIndex); }

    // The file of the capture shown, with the lists' selection.
    GraphFileWriting fileWriting(GraphKind kind, int period) const
    {
        GraphFileWriting file;
        file.kind = kind;
        const std::array<QString, 4> names = m_lists->names();
        for (std::size_t c = 0; c < 4; ++c)
            file.channelNames[c] = names[c].toStdString();
        file.listIndices = m_lists->indices();
        file.points = capturePoints(m_display, period);
        file.period = period;
        file.limits = m_limits;
        return file;
    }

    // The capture shown in physical units, for a CSV export; a capture read
    // but not plotted yet (its DC link still in 0.1 V) gives no rows.
    CsvTable csvTable(GraphKind kind, int period, const TriggerSettings *trigger) const
    {
        std::array<std::vector<int>, 4> samples;
        for (std::size_t c = 0; c < 4 && m_plotted; ++c)
            samples[c].assign(m_display[c].begin(), m_display[c].end());
        CsvTable table = captureCsvTable(kind, samples, m_listIndex, period, trigger);
        // The DC link arrives in tenths of a volt: the chart and the graph
        // file hold whole volts, the export keeps the tenth the drive gave.
        std::size_t column = 0;
        for (std::size_t c = 0; c < 4 && m_plotted && m_fromDrive; ++c) {
            if (m_listIndex[c] == kNotUsed)
                continue;
            if (m_listIndex[c] == kDcLinkIndex && column < table.columns.size()) {
                std::vector<double> &values = table.columns[column].values;
                values.clear();
                for (const std::int16_t tenths : m_received[c])
                    values.push_back(static_cast<double>(tenths) / 10.0);
            }
            ++column;
        }
        return table;
    }

    // Where a file is read into: lines a file lacks keep what the previous
    // load brought.
    GraphFileContents &loadBuffer() { return m_loadBuffer; }
    // Shows what the last file brought. A file may hold any numbers: the
    // limits are bounded as the axis dialog bounds them, the list indices
    // by the lists, the samples by the buffers.
    void showLoaded(int period)
    {
        m_limits = boundedLimits(m_loadBuffer.limits);
        m_lists->setIndices(m_loadBuffer.listIndices);
        takeSelection();
        loadCaptureSamples(m_loadBuffer.samples, m_display);
        m_fromDrive = false;
        setUpChart();
        plot(period);
    }

    // The display samples of positions [begin, end) of each channel in use.
    std::array<std::vector<double>, 4> samples(std::size_t begin, std::size_t end) const
    {
        std::array<std::vector<double>, 4> out;
        for (std::size_t c = 0; c < 4; ++c)
            for (std::size_t i = begin; i < end && i < N && m_listIndex[c] != kNotUsed; ++i)
                out[c].push_back(m_display[c][i]);
        return out;
    }

    // A capture is shown (received and plotted, or loaded).
    bool isPlotted() const { return m_plotted; }
    const CaptureChannels<N> &display() const { return m_display; }
    const ScaledChannels<N> &scaled() const { return m_scaled; }
    const ChannelLimits &limits() const { return m_limits; }
    ChannelLimits &limits() { return m_limits; }
    const std::array<int, 4> &listIndices() const { return m_listIndex; }
    const QString &channelName(int channel) const { return m_names[static_cast<std::size_t>(channel & 3)]; }

private:
    CChannelLists *m_lists = nullptr;
    CChartView *m_chart = nullptr;
    ChannelLimits m_limits = kDefaultLimits;
    std::array<QString, 4> m_names;
    std::array<int, 4> m_listIndex{}; // the selection the capture was taken with
    CaptureChannels<N> m_display{};
    CaptureChannels<N> m_received{}; // as the drive sent it (the DC link in 0.1 V)
    bool m_fromDrive = false;        // m_received belongs to the capture shown
    bool m_plotted = false;          // m_display is what the chart shows
    ScaledChannels<N> m_scaled{};
    GraphFileContents m_loadBuffer;
};

} // namespace tarvex::graphs
