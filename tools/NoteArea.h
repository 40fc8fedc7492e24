#pragma once

#include <QWidget>

#include "song/Song.h"

class QTreeWidget;

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

// The plain form of the note area: each track's notes listed, one row a note (time, note,
// length, volume). It edits nothing itself; its menu carries the measure commands.
class CNoteListArea : public CNoteArea {
    Q_OBJECT
public:
    explicit CNoteListArea(QWidget* parent = nullptr);

    void SetGroove(const CSong& groove) override;
    bool GetGroove(CSong& groove) const override;
    bool IsChanged() const override { return false; }
    void ClearChanged() override {}

    // The view of a band instrument: drum set, bass, rhythm or lead guitar.
    QTreeWidget* GetView(THING instrument) const;

private:
    CSong m_groove;
    QTreeWidget* m_views[4] = {};
};
