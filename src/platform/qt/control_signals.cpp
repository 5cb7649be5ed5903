// The signals through which a control's widget reports the user's actions.
// Only signals that Qt emits for the user alone are used (textEdited, not
// textChanged; activated, not currentIndexChanged; clicked, not toggled), and
// those of the lists are blocked while the model is drawn, so nothing the
// program writes comes back to it as input.

#include "platform/qt/control_widgets.h"
#include "platform/qt/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace tarnwell::qt {

namespace {

    int selected_row(QTreeWidget& tree)
    {
        auto rows = tree.selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

    int selected_row(QListWidget& list)
    {
        auto rows = list.selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

}

void connect_widget(QWidget& widget, Control& control, UserInput& input)
{
    switch (control.kind()) {
    case ControlKind::Button:
        QObject::connect(static_cast<QPushButton*>(&widget), &QPushButton::clicked, &widget,
            [&input, &control] { input.clicked(control); });
        return;
    case ControlKind::CheckBox:
        QObject::connect(static_cast<QCheckBox*>(&widget), &QCheckBox::clicked, &widget,
            [&input, &control](bool checked) { input.checked(static_cast<CheckBox&>(control), checked); });
        return;
    case ControlKind::EditBox:
        // The desktop's input method delivers its committed text through the
        // same signal as plain typing.
        if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
            QObject::connect(line, &QLineEdit::textEdited, &widget, [&input, &control](QString const& text) {
                input.typed(static_cast<EditBox&>(control), from_qt(text));
            });
        }
        return;
    case ControlKind::ComboBox:
        QObject::connect(static_cast<QComboBox*>(&widget), &QComboBox::activated, &widget,
            [&input, &control](int index) { input.selected(control, index); });
        return;
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(&widget);
        QObject::connect(list, &QListWidget::itemSelectionChanged, &widget,
            [&input, &control, list] { input.selected(control, selected_row(*list)); });
        QObject::connect(
            list, &QListWidget::itemDoubleClicked, &widget, [&input, &control, list](QListWidgetItem* item) {
                input.double_clicked(static_cast<ListBox&>(control), list->row(item));
            });
        return;
    }
    case ControlKind::ListView: {
        auto* tree = static_cast<QTreeWidget*>(&widget);
        QObject::connect(tree, &QTreeWidget::itemSelectionChanged, &widget,
            [&input, &control, tree] { input.selected(control, selected_row(*tree)); });
        return;
    }
    case ControlKind::Label:
    case ControlKind::OpenFileDialog:
        return;
    }
}

}
