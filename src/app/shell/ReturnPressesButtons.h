#pragma once

#include <QObject>

namespace qm {

// Makes Return and Enter press the focused push button, as they do in the desktop's other applications
// (Qt Quick's buttons take only Space): installed on the application, it hands the key to a focused,
// enabled button as Space, so the button shows its press and clicks on the release, and takes the key
// itself, so a dialog's own Return action does not also run. Text fields, list and menu rows keep their
// own Return; a key with Ctrl, Alt or Shift is left alone. Lives on the GUI thread.
class ReturnPressesButtons final : public QObject
{
    Q_OBJECT

public:
    // Starts filtering the application's events; stops when destroyed.
    explicit ReturnPressesButtons(QObject* parent = nullptr);
    ~ReturnPressesButtons() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qm
