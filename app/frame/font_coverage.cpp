#include "app/frame/font_coverage.h"

#include <QFont>
#include <QGlyphRun>
#include <QString>
#include <QTextLayout>

namespace tarvex {

CharacterCoverage fontCoverage(const QFont &font)
{
    return [font](char32_t c) {
        const QString text = QString::fromUcs4(&c, 1);
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.isEmpty())
            return false;
        // Glyph 0 is every font's "missing character" box.
        for (const QGlyphRun &run : runs)
            for (const quint32 glyph : run.glyphIndexes())
                if (glyph == 0)
                    return false;
        return true;
    };
}

} // namespace tarvex
