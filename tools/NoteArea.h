#pragma once

#include <QWidget>

#include "song/Song.h"

// The right side of the Song Editor: the current groove, one view per band instrument (drums,
// bass, rhythm guitar, lead guitar). Views that edit notes mark the groove changed; the editor
// then offers to save it.
class CNoteArea : public QWidget {
    Q_OBJECT
public:
    // The commands of the "Note Grid" menu that the editor carries out.
    enum COMMAND : int { kCmdAddMeasure = 1461, kCmdDeleteLastMeasure = 1460 };

    using QWidget::QWidget;

    // Shows the groove; an empty song clears the views. Clears the changed flag.
    virtual void SetGroove(const CSong& groove) = 0;
    // The groove as shown, with every edit made in the views.
    virtual bool GetGroove(CSong& groove) const = 0;
    virtual bool IsChanged() const = 0;
    virtual void ClearChanged() = 0;

signals:
    void Command(int id);
};
