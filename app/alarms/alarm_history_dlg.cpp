#include "app/alarms/alarm_history_dlg.h"

#include "drive/connection/drive_connection.h"
#include "app/ui/drive_work_box.h"
#include "app/ui/grid/cgx_painting.h"
#include "app/ui/window_keys.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {
namespace {

constexpr int kHeaderColumnWidth = 20;
constexpr int kNumberColumnWidth = 120;
constexpr int kNameColumnWidth = 200;
constexpr int kHeaderRowHeight = 25;
constexpr int kRowHeight = 20;
constexpr const char *kUploadCancelled = "Alarm Upload Cancelled";
// Latch and block read; a clear writes its command first.
constexpr int kUploadExchanges = 2;

} // namespace

CAlarmHistoryDlg::CAlarmHistoryDlg(DriveConnection *drive, QWidget *parent)
    : QDialog(parent), CAlarmHistory(drive), m_grid(nullptr)
{
    setWindowTitle(QStringLiteral("Alarm History"));

    auto *group = new QGroupBox(QStringLiteral("Alarm History"), this);
    auto *recent = new QLabel(QStringLiteral("Recent Data No.1"), group);
    m_grid.setParent(group);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(recent);
    groupLayout->addWidget(&m_grid);

    m_updateButton = new QPushButton(QStringLiteral("Update"), this);
    m_clearButton = new QPushButton(QStringLiteral("Clear"), this);
    m_updateButton->setAutoDefault(false);
    m_clearButton->setAutoDefault(false);
    connect(m_updateButton, &QPushButton::clicked, this, &CAlarmHistoryDlg::OnUpdate);
    addWindowKeys(*this, {nullptr, nullptr, m_updateButton});
    connect(m_clearButton, &QPushButton::clicked, this, &CAlarmHistoryDlg::OnClear);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_updateButton);
    buttons->addWidget(m_clearButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    setUpGrid();
}

void CAlarmHistoryDlg::setUpGrid()
{
    m_grid.Initialize();
    m_grid.EnableUndo(false);
    m_grid.EnableSelection(GX_SELCELL);
    m_grid.EnableTrackColWidth(false);
    m_grid.SetScrollBarMode(0, 0);

    m_grid.SetRowCount(kRows);
    m_grid.SetColCount(2);
    // The row numbers go up to two digits: the header column is at least as
    // wide as the widest of them in the grid's own font.
    const int numberWidth =
        cellContentWidth(CGXStyle().SetValue(QString::number(kRows)).SetFont(CGXFont().SetSize(9)), m_grid) + 2;
    m_grid.SetColWidth(0, 0, std::max(kHeaderColumnWidth, numberWidth));
    m_grid.SetColWidth(1, 1, kNumberColumnWidth);
    m_grid.SetColWidth(2, 2, kNameColumnWidth);
    m_grid.SetRowHeight(0, 0, kHeaderRowHeight);
    m_grid.SetRowHeight(1, kRows, kRowHeight);

    m_grid.SetValueRange(CGXRange(0, 1), QStringLiteral("Alarm Num"));
    m_grid.SetValueRange(CGXRange(0, 2), QStringLiteral("Name"));

    m_grid.SetStyleRange(CGXRange(0, 0, kRows, 2), CGXStyle()
                                                       .SetFont(CGXFont().SetSize(9).SetBold(false))
                                                       .SetVerticalAlignment(Qt::AlignVCenter));
    m_grid.SetStyleRange(CGXRange(0, 0, 0, 2), CGXStyle().SetTextColor(GXRgb(0, 0, 255)));
    m_grid.EnableUndo(true);

    // Every column always shows; the window opens with every row in view
    // where the screen has room, and the rows scroll on a lower screen.
    int width = m_grid.GetColWidth(0) + kNumberColumnWidth + kNameColumnWidth;
    const int frame = 2 * m_grid.frameWidth() + 4;
    width += frame + m_grid.verticalScrollBar()->sizeHint().width();
    constexpr int kRowsAtLeast = 6;
    m_grid.setMinimumSize(width, kHeaderRowHeight + kRowsAtLeast * kRowHeight + frame);
    m_grid.SetScrollBarMode(1, 1);
    resize(minimumSizeHint() + QSize(0, (kRows - kRowsAtLeast) * kRowHeight));
}

void CAlarmHistoryDlg::showAlarm(int row, std::uint16_t code)
{
    m_grid.SetStyleRange(CGXRange(row, 1),
                         CGXStyle()
                             .SetValue(QString::fromStdString(alarms::alarmNumberText(code)))
                             .SetTextColor(GXRgb(255, 0, 0))
                             .SetFont(CGXFont().SetBold(true)));
    const std::string_view name = alarms::alarmName(code);
    m_grid.SetStyleRange(CGXRange(row, 2),
                         CGXStyle().SetValue(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
}

void CAlarmHistoryDlg::blankClearedRow(int row)
{
    // The number cell keeps a text, white on the white cell, as the drive's
    // record now holds code 0 there.
    m_grid.SetStyleRange(CGXRange(row, 1),
                         CGXStyle()
                             .SetValue(QString::fromStdString(alarms::alarmNumberText(0)))
                             .SetTextColor(GXRgb(255, 255, 255))
                             .SetFont(CGXFont().SetBold(true)));
    m_grid.SetStyleRange(CGXRange(row, 2), CGXStyle().SetValue(QString()));
}

void CAlarmHistoryDlg::runWithProgress(const QString &title, int exchanges, const std::function<void()> &command)
{
    DriveWorkBox box(this, title);
    box.work().setSteps(exchanges);
    const LinkRunner shortCalls = m_runner;
    setLinkRunner([&box](const std::function<void()> &call) { box.run(call); });
    setDriveWork(&box.work());
    m_workBox = &box;
    box.begin();
    command();
    m_workBox = nullptr;
    setDriveWork(nullptr);
    setLinkRunner(shortCalls);
}

void CAlarmHistoryDlg::OnUpdate()
{
    const bool clearWasEnabled = m_clearButton->isEnabled();
    m_clearButton->setEnabled(false);
    std::uint8_t status = 0;
    alarms::AlarmHistory codes{};
    std::uint16_t result = alarms::kResultFailure;
    runWithProgress(QStringLiteral("Alarm History"), kUploadExchanges, [&] { result = UploadHistory(status, codes); });
    if (result == alarms::kResultCancelled) {
        m_clearButton->setEnabled(clearWasEnabled);
        if (m_pDrive)
            m_pDrive->messages().show(kUploadCancelled, "The table shows what it showed before.");
        return;
    }
    if (result != alarms::kResultSuccess) {
        // Both buttons stay disabled for the rest of this showing.
        m_updateButton->setEnabled(false);
        return;
    }
    for (int i = 0; i < kRows; ++i)
        if (const std::uint16_t code = codes[static_cast<std::size_t>(i)]; code != 0)
            showAlarm(i + 1, code);
    if (m_pDrive)
        m_pDrive->messages().showInformation("Complete Upload Alarm History");
    m_clearButton->setEnabled(true);
}

void CAlarmHistoryDlg::OnClear()
{
    // The drive's record of past alarms cannot be brought back.
    if (!m_pDrive || !m_pDrive->messages().ask(kClearHistoryQuestion, "WARNING"))
        return;
    std::uint8_t status = 0;
    std::uint16_t cleared = alarms::kResultFailure;
    std::uint16_t uploaded = alarms::kResultFailure;
    alarms::AlarmHistory codes{};
    runWithProgress(QStringLiteral("Alarm History"), kUploadExchanges + 1, [&] {
        cleared = ClearHistory(status);
        if (cleared == alarms::kResultSuccess)
            uploaded = UploadHistory(status, codes);
    });
    if (cleared == alarms::kResultCancelled) {
        m_pDrive->messages().show("Alarm Clear Cancelled", "The drive's alarm history was not cleared.");
        return;
    }
    if (cleared != alarms::kResultSuccess) {
        m_pDrive->messages().show("Alarm Clear Error!");
        return;
    }
    if (uploaded == alarms::kResultCancelled) {
        m_pDrive->messages().show(kUploadCancelled,
                                  "The drive's alarm history was cleared; the table was not read again.");
        return;
    }
    if (uploaded != alarms::kResultSuccess) {
        m_pDrive->messages().show("SVON ON Error!");
        return;
    }
    for (int i = 0; i < kRows; ++i)
        if (codes[static_cast<std::size_t>(i)] == 0)
            blankClearedRow(i + 1);
    m_pDrive->messages().showInformation("Complete Clear Alarm History");
}

} // namespace tarvex
