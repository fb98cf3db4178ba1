#include "reportfield.h"

#include "history.h"
#include "reportfile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ReportField::ReportField(QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QCoreApplication::translate("StationWindow", "Report:"), this));
    edit = new QLineEdit(History::path(), this);
    edit->setPlaceholderText(History::path());
    edit->setObjectName(QStringLiteral("reportPath"));
    row->addWidget(edit);
    auto *browse = new QPushButton(QCoreApplication::translate("StationWindow", "Choose..."), this);
    row->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getSaveFileName(this, QCoreApplication::translate("StationWindow",
                                                                                              "Report file"),
                                                            path(), QString(), nullptr,
                                                            QFileDialog::DontConfirmOverwrite);
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
}

QString ReportField::path() const
{
    // An emptied field names no report: the records go to the history, as
    // korvane-flash's do without --report.
    const QString named = edit->text().trimmed();
    return named.isEmpty() ? History::path() : named;
}

bool ReportField::open(ReportFile &report, QString *error) const
{
    const QString file = path();
    if (!file.isEmpty())
        QDir().mkpath(QFileInfo(file).absolutePath());
    return report.open(file, error);
}
