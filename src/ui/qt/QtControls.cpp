// Thin adapters: Qt widgets behind the small control interfaces.
#include "ui/qt/QtControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>

namespace trov {

// ---- window texts -------------------------------------------------------------------------------

std::string CQtWindowControl::GetText() const {
    if (auto* label = qobject_cast<QLabel*>(m_widget)) return S(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) return S(button->text());
    if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) return S(edit->text());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget)) return S(plain->toPlainText());
    if (auto* group = qobject_cast<QGroupBox*>(m_widget)) return S(group->title());
    if (auto* combo = qobject_cast<QComboBox*>(m_widget)) return S(combo->currentText());
    return S(m_widget->windowTitle());
}

void CQtWindowControl::SetText(const std::string& text) {
    QString t = Q(text);
    if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        label->setText(t);
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        button->setText(t);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        // Only a real change moves the cursor, so refreshing an unchanged value does not disturb typing.
        if (edit->text() != t) edit->setText(t);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(m_widget)) {
        if (plain->toPlainText() != t) plain->setPlainText(t);
    } else if (auto* group = qobject_cast<QGroupBox*>(m_widget)) {
        group->setTitle(t);
    } else {
        m_widget->setWindowTitle(t);
    }
}

void CQtWindowControl::SetEnabled(bool enabled) {
    m_widget->setEnabled(enabled);
}

bool CQtWindowControl::IsEnabled() const {
    return m_widget->isEnabled();
}

// ---- check box ----------------------------------------------------------------------------------

std::string CQtCheckControl::GetText() const {
    return S(m_box->text());
}
void CQtCheckControl::SetText(const std::string& text) {
    m_box->setText(Q(text));
}
void CQtCheckControl::SetEnabled(bool enabled) {
    m_box->setEnabled(enabled);
}
bool CQtCheckControl::IsEnabled() const {
    return m_box->isEnabled();
}
int CQtCheckControl::GetCheck() const {
    return m_box->isChecked() ? 1 : 0;
}
void CQtCheckControl::SetCheck(int state) {
    // A refresh from the settings is no user click.
    QSignalBlocker block(m_box);
    m_box->setChecked(state == 1);
}

// ---- combo box ----------------------------------------------------------------------------------

std::string CQtComboControl::GetText() const {
    return S(m_combo->currentText());
}
void CQtComboControl::SetText(const std::string& text) {
    int i = m_combo->findText(Q(text));
    if (i >= 0) SetSelection(i);
}
void CQtComboControl::SetEnabled(bool enabled) {
    m_combo->setEnabled(enabled);
}
bool CQtComboControl::IsEnabled() const {
    return m_combo->isEnabled();
}
int CQtComboControl::GetCount() const {
    return m_combo->count();
}
std::string CQtComboControl::GetItemText(int index) const {
    return S(m_combo->itemText(index));
}
int CQtComboControl::GetSelection() const {
    return m_combo->currentIndex();
}
void CQtComboControl::SetSelection(int index) {
    QSignalBlocker block(m_combo);
    m_combo->setCurrentIndex(index);
}
void CQtComboControl::ClearItems() {
    QSignalBlocker block(m_combo);
    m_combo->clear();
}
int CQtComboControl::AddItem(const std::string& text) {
    QSignalBlocker block(m_combo);
    QString t = Q(text);
    int at = m_combo->count();
    if (m_sorted) {
        at = 0;
        while (at < m_combo->count() && QString::compare(m_combo->itemText(at), t, Qt::CaseInsensitive) <= 0)
            ++at;
    }
    m_combo->insertItem(at, t);
    return at;
}

// ---- picture list -------------------------------------------------------------------------------

int CQtPictureList::GetColumnCount() const {
    return m_tree->columnCount();
}

void CQtPictureList::DeleteColumn(int index) {
    int n = m_tree->columnCount();
    if (index < 0 || index >= n) return;
    QTreeWidgetItem* header = m_tree->headerItem();
    std::vector<QString> titles;
    std::vector<int> widths;
    for (int c = 0; c < n; ++c) {
        if (c == index) continue;
        titles.push_back(header->text(c));
        widths.push_back(m_tree->columnWidth(c));
    }
    // Cells of the later columns move one to the left.
    for (int r = 0; r < m_tree->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = m_tree->topLevelItem(r);
        for (int c = index; c + 1 < n; ++c) item->setText(c, item->text(c + 1));
    }
    m_tree->setColumnCount(n - 1);
    for (int c = 0; c < n - 1; ++c) {
        header->setText(c, titles[static_cast<size_t>(c)]);
        m_tree->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    }
}

void CQtPictureList::InsertColumn(int index, const std::string& title, int width) {
    int n = m_tree->columnCount();
    index = std::clamp(index, 0, n);
    QTreeWidgetItem* header = m_tree->headerItem();
    std::vector<QString> titles;
    std::vector<int> widths;
    for (int c = 0; c < n; ++c) {
        titles.push_back(header->text(c));
        widths.push_back(m_tree->columnWidth(c));
    }
    titles.insert(titles.begin() + index, Q(title));
    widths.insert(widths.begin() + index, width);
    m_tree->setColumnCount(n + 1);
    for (int r = 0; r < m_tree->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = m_tree->topLevelItem(r);
        for (int c = n; c > index; --c) item->setText(c, item->text(c - 1));
        item->setText(index, QString());
    }
    for (int c = 0; c <= n; ++c) {
        header->setText(c, titles[static_cast<size_t>(c)]);
        header->setTextAlignment(c, Qt::AlignLeft | Qt::AlignVCenter);
        m_tree->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    }
}

std::string CQtPictureList::GetColumnTitle(int index) const {
    return S(m_tree->headerItem()->text(index));
}

int CQtPictureList::GetColumnWidth(int index) const {
    return m_tree->columnWidth(index);
}

int CQtPictureList::TextWidth(const std::string& text) const {
    // The header's font, plus the header's margins, so the title is not cut.
    return QFontMetrics(m_tree->header()->font()).horizontalAdvance(Q(text)) + 16;
}

int CQtPictureList::GetRowCount() const {
    return m_tree->topLevelItemCount();
}

void CQtPictureList::DeleteAllRows() {
    m_tree->clear();
}

void CQtPictureList::InsertRow(int index, const std::string& text) {
    index = std::clamp(index, 0, m_tree->topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    item->setText(0, Q(text));
    m_tree->insertTopLevelItem(index, item);
}

std::string CQtPictureList::GetCellText(int row, int column) const {
    QTreeWidgetItem* item = m_tree->topLevelItem(row);
    return item ? S(item->text(column)) : std::string();
}

void CQtPictureList::SetCellText(int row, int column, const std::string& text) {
    if (QTreeWidgetItem* item = m_tree->topLevelItem(row)) item->setText(column, Q(text));
}

std::vector<int> CQtPictureList::GetSelectedRows() const {
    std::vector<int> rows;
    const QModelIndexList selected = m_tree->selectionModel()->selectedRows();
    rows.reserve(static_cast<size_t>(selected.size()));
    for (const QModelIndex& index : selected) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CQtPictureList::SetSelectedRows(const std::vector<int>& rowsIn) {
    std::vector<int> rows = rowsIn;
    std::sort(rows.begin(), rows.end());
    QItemSelectionModel* model = m_tree->selectionModel();
    QAbstractItemModel* items = m_tree->model();
    int lastColumn = std::max(0, m_tree->columnCount() - 1);
    // Consecutive rows become one range: selecting 2,000 rows is then one range, not 2,000.
    QItemSelection selection;
    size_t i = 0;
    int count = m_tree->topLevelItemCount();
    while (i < rows.size()) {
        int first = rows[i];
        int last = first;
        while (i + 1 < rows.size() && rows[i + 1] <= last + 1) last = std::max(last, rows[++i]);
        ++i;
        if (first < 0 || first >= count) continue;
        last = std::min(last, count - 1);
        selection.select(items->index(first, 0), items->index(last, lastColumn));
    }
    {
        QSignalBlocker block(model);
        model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (!rows.empty() && rows.front() >= 0 && rows.front() < count)
            model->setCurrentIndex(items->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    }
    // The blocked model sent no signal; the view still has to repaint the rows.
    m_tree->viewport()->update();
    if (!rows.empty() && rows.front() >= 0 && rows.front() < count)
        m_tree->scrollToItem(m_tree->topLevelItem(rows.front()));
}

void CQtPictureList::SetAllRows(const std::vector<PictureListRow>& rows) {
    m_tree->setUpdatesEnabled(false);
    m_tree->clear();
    AppendRows(rows);
    m_tree->setUpdatesEnabled(true);
}

void CQtPictureList::AppendRows(const std::vector<PictureListRow>& rows) {
    int columns = std::min(m_tree->columnCount(), static_cast<int>(kPictureListColumnCount));
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const PictureListRow& row : rows) {
        auto* item = new QTreeWidgetItem;
        for (int c = 0; c < columns; ++c) item->setText(c, Q(row[static_cast<size_t>(c)]));
        items.append(item);
    }
    m_tree->addTopLevelItems(items);
}

// ---- menu bar -----------------------------------------------------------------------------------

QAction* CQtMenuControl::ActionAt(const std::vector<int>& path) const {
    if (path.empty()) return nullptr;
    QList<QAction*> actions = m_bar->actions();
    QAction* action = nullptr;
    for (size_t level = 0; level < path.size(); ++level) {
        int i = path[level];
        if (i < 0 || i >= actions.size()) return nullptr;
        action = actions[i];
        if (level + 1 < path.size()) {
            if (!action->menu()) return nullptr;
            actions = action->menu()->actions();
        }
    }
    return action;
}

int CQtMenuControl::GetItemCount(const std::vector<int>& path) const {
    if (path.empty()) return static_cast<int>(m_bar->actions().size());
    QAction* action = ActionAt(path);
    return action && action->menu() ? static_cast<int>(action->menu()->actions().size()) : 0;
}

bool CQtMenuControl::HasSubMenu(const std::vector<int>& path) const {
    QAction* action = ActionAt(path);
    return action && action->menu();
}

std::string CQtMenuControl::GetItemText(const std::vector<int>& path) const {
    QAction* action = ActionAt(path);
    if (!action || action->isSeparator()) return {};
    std::string text = S(action->text());
    if (!action->shortcut().isEmpty() && text.find('\t') == std::string::npos)
        text += "\t" + S(action->shortcut().toString(QKeySequence::PortableText));
    return text;
}

void CQtMenuControl::SetItemText(const std::vector<int>& path, const std::string& text) {
    QAction* action = ActionAt(path);
    if (!action || action->isSeparator()) return;
    // The shortcut stays the action's own; the text after a tab is only its label, and Qt shows
    // the action's shortcut there itself.
    size_t tab = text.find('\t');
    action->setText(Q(tab == std::string::npos ? text : text.substr(0, tab)));
}

void CQtMenuControl::Redraw() {
    m_bar->update();
}

}  // namespace trov
