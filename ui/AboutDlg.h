#pragma once
// The About box: name and version, slogan, the maker's lines.

#include <QDialog>

namespace qb {

inline constexpr const char* kProgramName = "Quillbox Explorer";
inline constexpr const char* kProgramVersion = "2.3";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace qb
