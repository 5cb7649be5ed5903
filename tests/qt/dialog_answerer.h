#pragma once

// Answers the program's modal dialogs through their widgets as they come up,
// from answers the test queued: the open-file dialog and the folder picker
// choose the next queued path (or cancel when none is left), and every
// information box is read and closed with its OK button. It reacts to the
// dialog being shown, so nothing waits or polls.

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>

namespace tarnwell::test {

class DialogAnswerer final : public QObject {
public:
    DialogAnswerer();
    ~DialogAnswerer() override;

    void choose_file(QString path) { m_files.push_back(std::move(path)); }
    void choose_folder(QString path) { m_folders.push_back(std::move(path)); }

    // The texts of the information boxes answered so far.
    QStringList const& info_boxes() const { return m_info_boxes; }
    int dialogs_answered() const { return m_answered; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answer(QWidget& dialog);

    std::deque<QString> m_files;
    std::deque<QString> m_folders;
    QStringList m_info_boxes;
    int m_answered { 0 };
};

}
