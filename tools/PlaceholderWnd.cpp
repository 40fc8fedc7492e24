#include "tools/PlaceholderWnd.h"

#include <QPainter>

CPlaceholderWnd::CPlaceholderWnd(int kind, WND_SETTINGS* placement) : CBaseWindow(kind) {
    SetPlacement(placement);
}

bool CPlaceholderWnd::OnPaint(QPainter& painter) {
    painter.fillRect(rect(), QColor(0xF4, 0xF4, 0xF0));
    painter.setPen(QColor(0x40, 0x40, 0x60));
    QFont font = painter.font();
    font.setPointSize(14);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter,
                     QString("%1\n(window kind %2)").arg(windowTitle()).arg(GetKind()));
    return true;
}

bool CPlaceholderWnd::OnTimer(int id) {
    if (id >= 1 && id <= 3)
        ++m_ticks[id - 1];
    return false;
}
