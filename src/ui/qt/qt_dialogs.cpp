#include "ui/qt/qt_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace mrv::qt
{

QString ConvertFilter(const std::string& filter, int index, QString* selected)
{
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(';', ' ');
        // Qt reads the patterns from the parentheses of the name.
        QString base = name;
        int open = base.indexOf('(');
        if (open >= 0) base = base.left(open).trimmed();
        if (base.isEmpty()) base = patterns;
        entries << base + " (" + patterns + ")";
    }
    if (parts.size() % 2 == 1 && !parts.last().trimmed().isEmpty()) {
        // A lone pattern without a name.
        entries << parts.last().trimmed() + " (" + parts.last().trimmed() + ")";
    }
    if (selected) {
        *selected = entries.isEmpty() ? QString() : entries.value(index - 1, entries.first());
    }
    return entries.join(";;");
}

bool QtDialogs::AskYesNo(const std::string& caption, const std::string& text)
{
    auto answer =
        QMessageBox::warning(parent_(), QString::fromStdString(caption), QString::fromStdString(text),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void QtDialogs::ShowMessage(const std::string& text)
{
    QMessageBox::information(parent_(), QApplication::applicationDisplayName(), QString::fromStdString(text));
}

namespace
{

QString StartPath(const form::FileDialogRequest& request)
{
    QString dir = QString::fromStdString(request.initial_dir);
    QString name = QString::fromStdString(request.file_name);
    if (dir.isEmpty()) return name;
    return name.isEmpty() ? dir : QDir(dir).filePath(name);
}

} // namespace

std::optional<std::string> QtDialogs::OpenFile(const form::FileDialogRequest& request)
{
    QString selected;
    QString filter = ConvertFilter(request.filter, request.filter_index, &selected);
    QString path = QFileDialog::getOpenFileName(parent_(), QString::fromStdString(request.title),
                                                StartPath(request), filter, &selected);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogs::SaveFile(const form::FileDialogRequest& request)
{
    QString selected;
    QString filter = ConvertFilter(request.filter, request.filter_index, &selected);
    QString path = QFileDialog::getSaveFileName(parent_(), QString::fromStdString(request.title),
                                                StartPath(request), filter, &selected);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

void QtDialogs::SetClipboardText(const std::string& text)
{
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string QtDialogs::ClipboardText()
{
    return QApplication::clipboard()->text().toStdString();
}

} // namespace mrv::qt
