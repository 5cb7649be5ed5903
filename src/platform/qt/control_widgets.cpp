#include "platform/qt/control_widgets.h"
#include "platform/qt/qt_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace tarnwell::qt {

namespace {

    QWidget* make_edit_box(EditBox const& box, QWidget& parent)
    {
        if (box.lines() == EditLines::One)
            return new QLineEdit(&parent);
        auto* edit = new QPlainTextEdit(&parent);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return edit;
    }

    QWidget* make_list_box(QWidget& parent)
    {
        auto* list = new QListWidget(&parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return list;
    }

    QWidget* make_list_view(ListView const& view, QWidget& parent)
    {
        auto* tree = new QTreeWidget(&parent);
        tree->setColumnCount(1);
        tree->setHeaderLabels({ to_qt(view.column_header()) });
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionsClickable(false);
        tree->setColumnWidth(0, view.column_width());
        tree->setRootIsDecorated(false);
        tree->setItemsExpandable(false);
        tree->setUniformRowHeights(true);
        tree->setSortingEnabled(false);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setAllColumnsShowFocus(true);
        // The selected row stays marked when the list loses the focus.
        QPalette palette = tree->palette();
        for (auto role : { QPalette::Highlight, QPalette::HighlightedText })
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        tree->setPalette(palette);
        return tree;
    }

    QWidget* make_bare_widget(Control const& control, QWidget& parent)
    {
        switch (control.kind()) {
        case ControlKind::Label: {
            auto* label = new QLabel(&parent);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::Button:
            return new QPushButton(&parent);
        case ControlKind::EditBox:
            return make_edit_box(static_cast<EditBox const&>(control), parent);
        case ControlKind::ListBox:
            return make_list_box(parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(&parent);
            combo->setEditable(false);
            return combo;
        }
        case ControlKind::ListView:
            return make_list_view(static_cast<ListView const&>(control), parent);
        case ControlKind::CheckBox:
            return new QCheckBox(&parent);
        case ControlKind::OpenFileDialog:
            return nullptr;
        }
        return nullptr;
    }

    // A control's own colour, font height and label layout.
    void apply_look(QWidget& widget, Control const& control)
    {
        auto const& look = control.look();
        if (look.colour) {
            QColor colour(look.colour->red, look.colour->green, look.colour->blue);
            QPalette palette = widget.palette();
            for (auto group : { QPalette::Active, QPalette::Inactive }) {
                palette.setColor(group, QPalette::WindowText, colour);
                palette.setColor(group, QPalette::Text, colour);
                palette.setColor(group, QPalette::ButtonText, colour);
            }
            widget.setPalette(palette);
        }
        if (look.font_height > 0) {
            QFont font = widget.font();
            font.setPixelSize(look.font_height);
            font.setWeight(QFont::Normal);
            widget.setFont(font);
        }
        if (auto* label = qobject_cast<QLabel*>(&widget)) {
            label->setWordWrap(look.word_wrap);
            Qt::Alignment vertical = look.centred_vertically ? Qt::AlignVCenter : Qt::AlignTop;
            label->setAlignment(Qt::AlignLeft | vertical);
        }
    }

    QString shown_text(EditBox const& box)
    {
        QString text = to_qt(box.text());
        if (box.lines() == EditLines::Many)
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        return text;
    }

    void draw_text(QWidget& widget, Control const& control)
    {
        switch (control.kind()) {
        case ControlKind::Label:
            static_cast<QLabel&>(widget).setText(to_qt(static_cast<Label const&>(control).caption()));
            return;
        case ControlKind::Button:
            static_cast<QPushButton&>(widget).setText(to_qt(static_cast<Button const&>(control).caption()));
            return;
        case ControlKind::CheckBox:
            static_cast<QCheckBox&>(widget).setText(to_qt(static_cast<CheckBox const&>(control).caption()));
            return;
        case ControlKind::EditBox: {
            auto const& box = static_cast<EditBox const&>(control);
            QString text = shown_text(box);
            if (auto* line = qobject_cast<QLineEdit*>(&widget)) {
                // Text the user typed comes back from the model unchanged; setting
                // it again would move the caret.
                if (line->text() != text)
                    line->setText(text);
            } else if (auto* edit = qobject_cast<QPlainTextEdit*>(&widget)) {
                edit->setPlainText(text);
                edit->moveCursor(QTextCursor::End);
                edit->ensureCursorVisible();
            }
            return;
        }
        default:
            return;
        }
    }

    void draw_items(QWidget& widget, Control const& control)
    {
        switch (control.kind()) {
        case ControlKind::ListBox: {
            auto& list = static_cast<QListWidget&>(widget);
            list.clear();
            for (auto const& item : static_cast<ListBox const&>(control).items())
                list.addItem(to_qt(item));
            return;
        }
        case ControlKind::ComboBox: {
            auto& combo = static_cast<QComboBox&>(widget);
            combo.clear();
            for (auto const& item : static_cast<ComboBox const&>(control).items())
                combo.addItem(to_qt(item));
            return;
        }
        case ControlKind::ListView: {
            auto& tree = static_cast<QTreeWidget&>(widget);
            tree.clear();
            for (auto const& row : static_cast<ListView const&>(control).rows())
                tree.addTopLevelItem(new QTreeWidgetItem(QStringList { to_qt(row) }));
            return;
        }
        default:
            return;
        }
    }

    void draw_list_view_selection(QTreeWidget& tree, ListView const& view)
    {
        auto row_index = [&](int row) {
            return row >= 0 && row < tree.topLevelItemCount() ? tree.model()->index(row, 0) : QModelIndex();
        };
        auto* selection = tree.selectionModel();
        QModelIndex selected = row_index(view.selection());
        auto rows = selection->selectedRows();
        if (rows.size() == (selected.isValid() ? 1 : 0) && (rows.isEmpty() || rows.first() == selected)
            && selection->currentIndex() == row_index(view.focused()))
            return;
        if (selected.isValid())
            selection->select(selected, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            selection->clearSelection();
        selection->setCurrentIndex(row_index(view.focused()), QItemSelectionModel::NoUpdate);
    }

    void draw_selection(QWidget& widget, Control const& control)
    {
        switch (control.kind()) {
        case ControlKind::ListBox: {
            auto& list = static_cast<QListWidget&>(widget);
            int index = static_cast<ListBox const&>(control).selection();
            // A selection the user just made comes back from the model: left
            // alone, so that the press of a double-click stays where it was.
            auto selected = list.selectionModel()->selectedRows();
            int shown = selected.isEmpty() ? -1 : selected.first().row();
            if (shown == index && list.currentRow() == index)
                return;
            if (index < 0)
                list.clearSelection();
            list.setCurrentRow(index);
            return;
        }
        case ControlKind::ComboBox:
            static_cast<QComboBox&>(widget).setCurrentIndex(static_cast<ComboBox const&>(control).selection());
            return;
        case ControlKind::ListView:
            draw_list_view_selection(static_cast<QTreeWidget&>(widget), static_cast<ListView const&>(control));
            return;
        default:
            return;
        }
    }

}

QWidget* make_widget(Control const& control, QWidget& parent)
{
    QWidget* widget = make_bare_widget(control, parent);
    if (!widget)
        return nullptr;
    widget->setObjectName(to_qt(control.name()));
    auto bounds = control.bounds();
    widget->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
    apply_look(*widget, control);
    draw_control(*widget, control);
    return widget;
}

void draw_property(QWidget& widget, Control const& control, ControlProperty property)
{
    // The lists' own selection signals are blocked with them; their
    // selection models must keep talking to them, or the items would not
    // know they are selected.
    QSignalBlocker block_widget(&widget);
    switch (property) {
    case ControlProperty::Text:
        draw_text(widget, control);
        return;
    case ControlProperty::Enabled:
        widget.setEnabled(control.enabled());
        return;
    case ControlProperty::Visible:
        widget.setVisible(control.visible());
        return;
    case ControlProperty::Checked:
        if (control.kind() == ControlKind::CheckBox)
            static_cast<QCheckBox&>(widget).setChecked(static_cast<CheckBox const&>(control).checked());
        return;
    case ControlProperty::Selection:
        draw_selection(widget, control);
        return;
    case ControlProperty::Items:
        draw_items(widget, control);
        draw_selection(widget, control);
        return;
    }
}

void draw_control(QWidget& widget, Control const& control)
{
    for (auto property : { ControlProperty::Text, ControlProperty::Items, ControlProperty::Checked,
             ControlProperty::Enabled, ControlProperty::Visible })
        draw_property(widget, control, property);
}

}
