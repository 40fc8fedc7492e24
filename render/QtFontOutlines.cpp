#include "render/QtFontOutlines.h"

#include <QFont>
#include <QPainterPath>

namespace {

// Outlines are taken at this many pixels per em and scaled back to ems: Qt flattens curves to
// about half a pixel, so this keeps the chords within 0.002 em of the curves.
constexpr int kPixelsPerEm = 256;

} // namespace

bool CQtFontOutlines::GetOutlines(const char* text, const char* face, int weight,
                                  CONTOURS& contours, CCharString& error) {
    QFont font(QString::fromLatin1(face));
    font.setPixelSize(kPixelsPerEm);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::SansSerif);
    QPainterPath path;
    path.addText(0, 0, font, QString::fromLatin1(text));
    contours.clear();
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        std::vector<glm::vec2> contour;
        for (const QPointF& p : polygon)
            contour.emplace_back(p.x() / kPixelsPerEm, -p.y() / kPixelsPerEm);
        if (contour.size() >= 3)
            contours.push_back(std::move(contour));
    }
    if (contours.empty() && !QString::fromLatin1(text).trimmed().isEmpty()) {
        error.Format("no outlines in the font '%s'", face);
        return false;
    }
    return true;
}
