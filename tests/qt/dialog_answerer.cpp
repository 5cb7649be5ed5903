#include "dialog_answerer.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tarnwell::test {

DialogAnswerer::DialogAnswerer()
{
    QApplication::instance()->installEventFilter(this);
}

DialogAnswerer::~DialogAnswerer()
{
    QApplication::instance()->removeEventFilter(this);
}

bool DialogAnswerer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && (qobject_cast<QFileDialog*>(dialog) || qobject_cast<QMessageBox*>(dialog))) {
            // Answered from its own event loop, once it runs.
            QPointer<QDialog> shown(dialog);
            QTimer::singleShot(0, this, [this, shown] {
                if (shown && shown->isVisible())
                    answer(*shown);
            });
        }
    }
    return false;
}

void DialogAnswerer::answer(QWidget& widget)
{
    ++m_answered;
    if (auto* box = qobject_cast<QMessageBox*>(&widget)) {
        m_info_boxes += box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        return;
    }
    auto& dialog = static_cast<QFileDialog&>(widget);
    auto& answers = dialog.fileMode() == QFileDialog::Directory ? m_folders : m_files;
    if (answers.empty()) {
        dialog.reject();
        return;
    }
    dialog.selectFile(answers.front());
    answers.pop_front();
    static_cast<QDialog&>(dialog).accept();
}

}
