// Texts shown under the points of a chart. Labels are kept by the point's
// absolute position, so that when a scrolling series drops its oldest point
// the labels move along with the values.
#pragma once

#include <QString>

#include <map>

class ChartLabels {
public:
    void clear() { labels_.clear(); }
    void set(long absolute, const QString &text) { labels_[absolute] = text; }
    QString at(long absolute) const
    {
        const auto it = labels_.find(absolute);
        return it == labels_.end() ? QString() : it->second;
    }
    // Forgets labels of points that have scrolled out.
    void dropBefore(long absolute) { labels_.erase(labels_.begin(), labels_.lower_bound(absolute)); }

private:
    std::map<long, QString> labels_;
};
