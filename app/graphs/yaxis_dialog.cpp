#include "app/graphs/yaxis_dialog.h"

#include "app/graphs/graph_window_parts.h"
#include "app/graphs/integer_edit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CYaxisDlg::CYaxisDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Y-Axis Setting"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Max"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(tr("Min"), this), 0, 2, Qt::AlignCenter);
    for (int c = 0; c < 4; ++c) {
        auto *name = new QLabel(QStringLiteral("Monitor Channel %1").arg(c + 1), this);
        name->setStyleSheet(QStringLiteral("color: %1; font-weight: bold").arg(QLatin1String(tarvex::graphs::channelColor(c))));
        auto *maxEdit = tarvex::graphs::integerEdit(this, -tarvex::graphs::kAxisLimitBound, tarvex::graphs::kAxisLimitBound, 0);
        auto *minEdit = tarvex::graphs::integerEdit(this, -tarvex::graphs::kAxisLimitBound, tarvex::graphs::kAxisLimitBound, 0);
        for (tarvex::graphs::IntegerEdit *edit : {maxEdit, minEdit})
            edit->setMinimumWidth(90);
        max_[static_cast<std::size_t>(c)] = maxEdit;
        min_[static_cast<std::size_t>(c)] = minEdit;
        grid->addWidget(name, c + 1, 0);
        grid->addWidget(maxEdit, c + 1, 1);
        grid->addWidget(minEdit, c + 1, 2);
    }
    auto *applyButton = new QPushButton(QStringLiteral("Apply"), this);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    applyButton->setDefault(true);
    connect(applyButton, &QPushButton::clicked, this, &CYaxisDlg::apply);
    connect(cancelButton, &QPushButton::clicked, this, &CYaxisDlg::cancel);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(applyButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

std::optional<tarvex::graphs::ChannelLimits> CYaxisDlg::limits(tarvex::MessageService *messages) const
{
    tarvex::graphs::ChannelLimits out{};
    for (std::size_t c = 0; c < 4; ++c) {
        const std::string channel = "Monitor Channel " + std::to_string(c + 1);
        const std::optional<int> max = max_[c]->takeValue(messages, (channel + " Max").c_str());
        if (!max)
            return std::nullopt;
        const std::optional<int> min = min_[c]->takeValue(messages, (channel + " Min").c_str());
        if (!min)
            return std::nullopt;
        out[c] = {*max, *min};
    }
    return out;
}

void CYaxisDlg::setLimits(const tarvex::graphs::ChannelLimits &limits)
{
    for (std::size_t c = 0; c < 4; ++c) {
        max_[c]->setValue(limits[c].max);
        min_[c]->setValue(limits[c].min);
    }
}

void CYaxisDlg::apply()
{
    // A limit that is not a whole number keeps the dialog open for correcting.
    if (!limits(messages_))
        return;
    applied_ = true;
    accept();
}

void CYaxisDlg::cancel()
{
    applied_ = false;
    reject();
}

bool CYaxisDlg::edit(tarvex::graphs::ChannelLimits &limits, tarvex::MessageService *messages)
{
    messages_ = messages;
    setLimits(limits);
    applied_ = false;
    exec();
    if (applied_)
        limits = this->limits().value_or(limits);
    return applied_;
}
