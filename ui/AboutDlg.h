#pragma once
// The About box: name and version, slogan, the maker's lines.

#include "ui/ProgramName.h"

#include <QDialog>

namespace qb {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace qb
