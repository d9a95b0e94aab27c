#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <optional>

namespace {

std::optional<QString> &nextFileName()
{
    static std::optional<QString> name;
    return name;
}

QString withDefaultExt(const QString &name, const QString &defaultExt)
{
    if (name.isEmpty() || defaultExt.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + defaultExt;
}

} // namespace

QStringList qtNameFilters(const QString &filter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        description.remove(trailingPatterns);
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        if (patterns.isEmpty())
            continue;
        if (description.isEmpty())
            description = patterns;
        result << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

QString askSaveFileName(QWidget *parent, const SaveDialogOptions &options)
{
    if (std::optional<QString> given = nextFileName()) {
        nextFileName().reset();
        return withDefaultExt(*given, options.defaultExt);
    }
    QFileDialog dialog(parent, options.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = qtNameFilters(options.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    // Qt's own dialog appends the suffix before it checks for an existing file, so the
    // overwrite question is asked about the name that will really be written.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.promptOverwrite);
    dialog.setDefaultSuffix(options.defaultExt);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return withDefaultExt(dialog.selectedFiles().constFirst(), options.defaultExt);
}

void setNextFileName(const QString &name)
{
    nextFileName() = name;
}

void clearNextFileName()
{
    nextFileName().reset();
}
