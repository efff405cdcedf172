// explorer_screenshot OUT.png [WIDTH HEIGHT]: the explorer (640 x 480 unless told) over a
// few folders and notes, against a real server, saved with QWidget::grab().

#include "ExplorerFixture.h"

#include <QApplication>
#include <QPixmap>

#include <cstdlib>

namespace {

class Shot : public qb::testing::ExplorerTest {
public:
    void TestBody() override {}
    int Run(const char* out, QSize size)
    {
        SetUp();
        MakeFolder("/Journal");
        MakeFolder("/Recipes");
        MakeFolder("/Work");
        MakeNote("/Shopping list.rtf", std::string(2500, 'A'));
        MakeNote("/Ideas for the garden.rtf", std::string(7300, 'A'));
        MakeNote("/Letter to Anna.rtf", std::string(980, 'A'));
        MakeNote("/Reading notes.rtf", std::string(4400, 'A'));
        if (!OpenExplorer())
            return 1;
        m_explorer->resize(size);
        m_list->ListDirectory(""); // the path line, as after any navigation
        Select({"Ideas for the garden.rtf"});
        QApplication::processEvents();
        const bool saved = m_explorer->grab().save(QString::fromLocal8Bit(out));
        TearDown();
        return saved ? 0 : 1;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 2 && argc != 4)
        return 2;
    const QSize size = argc == 4 ? QSize(std::atoi(argv[2]), std::atoi(argv[3])) : QSize(640, 480);
    Shot shot;
    return shot.Run(argv[1], size);
}
