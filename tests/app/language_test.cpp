// The program switched to each catalogue language: texts from the main
// window, a dialog, a command's undo text, a file filter, a view tooltip and
// Qt's own buttons come out translated, and menu accelerators stay unique.
#include "app/application.h"
#include "app/kerfloom.h"
#include "app/prompts.h"
#include "core/commands.h"
#include "core/drawing.h"
#include "formats/baseformat.h"
#include "formats/settings.h"
#include "ui/drawingitems.h"
#include "ui/getpointdialog.h"
#include "ui/graphwidget.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace {

struct Language
{
    const char *name;
    const char *fileMenu, *openAction, *undoWithCommand, *relativeBox, *hpglFilter, *startTip, *qtCancel;
};

const Language languages[] = {
    {"en_US", "&File", "&Open", "&Undo Set anchor", "Relative to drawing: ", "HPGL files (*.plt)",
     "Starting point", "Cancel"},
    {"it_IT", "&File", "&Apri", "&Annulla: Imposta ancoraggio", "Relativo al disegno: ", "File HPGL (*.plt)",
     "Punto di partenza", "Annulla"},
    {"pl_PL", "&Plik", "&Otwórz", "&Cofnij: Ustawienie punktu zaczepienia", "Względem rysunku: ",
     "Pliki HPGL (*.plt)", "Punkt startowy", "Anuluj"},
    {"es_ES", "&Archivo", "&Abrir", "&Deshacer: Establecer anclaje", "Relativo al dibujo: ",
     "Archivos HPGL (*.plt)", "Punto de inicio", "Cancelar"},
};

// Every letter marked with "&" in one menu, upper-cased; duplicates reported.
void expectUniqueAccelerators(const QList<QAction *> &actions, const QString &where)
{
    std::set<QChar> seen;
    for (QAction *a : actions) {
        const QString text = a->text();
        const int at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
        if (at >= 0) {
            const QChar key = text.at(at + 1).toUpper();
            EXPECT_TRUE(seen.insert(key).second) << qPrintable(where) << ": '" << qPrintable(QString(key))
                                                 << "' repeated in " << qPrintable(text);
        }
        if (a->menu())
            expectUniqueAccelerators(a->menu()->actions(), where + QStringLiteral(" > ") + text);
    }
}

class LanguageTest : public ::testing::TestWithParam<Language>
{
protected:
    void SetUp() override
    {
        prompts::setHook([this](const QString &title, const QString &, bool) {
            asked << title;
            return prompts::Cancel;
        });
    }
    void TearDown() override
    {
        prompts::setHook(nullptr);
        kerfloom::loadLanguage(QStringLiteral("en_US"));
    }

    QStringList asked;
};

TEST_P(LanguageTest, TextsFromEveryPartFollowTheStoredLanguage)
{
    const Language &lang = GetParam();
    Settings::setLanguage(QLatin1String(lang.name));
    kerfloom::loadLanguage(Settings::language());

    Kerfloom window;
    const QList<QAction *> menus = window.menuBar()->actions();
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_EQ(menus.first()->text(), QString::fromUtf8(lang.fileMenu));
    EXPECT_EQ(window.action(QStringLiteral("action_Open"))->text(), QString::fromUtf8(lang.openAction));
    expectUniqueAccelerators(menus, QStringLiteral("menu bar"));

    // The undo action is named after the step on the current tab's stack.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("square.tap"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("X0 Y0\r\nX10 Y0\r\nX10 Y10\r\nX0 Y0\r\n");
    file.close();
    window.openFile(path, false, false);
    EXPECT_TRUE(asked.isEmpty()) << qPrintable(asked.join(", "));
    GraphWidget *view = window.currentView();
    ASSERT_NE(view, nullptr);
    view->undoStack()->push(new SetAnchorCommand(view->drawing(), PositionSpec{}));
    EXPECT_EQ(window.action(QStringLiteral("action_Undo"))->text(), QString::fromUtf8(lang.undoWithCommand));

    GetPointDialog dialog(nullptr, QStringLiteral("t"), false);
    auto *relative = dialog.findChild<QCheckBox *>(QStringLiteral("relative"));
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(relative->text(), QString::fromUtf8(lang.relativeBox));

    EXPECT_TRUE(BaseFormat::openFilter().contains(QString::fromUtf8(lang.hpglFilter)))
        << qPrintable(BaseFormat::openFilter());

    Object::Point point;
    EXPECT_TRUE(DrawingPoint::toolTipFor(point, true).startsWith(QString::fromUtf8(lang.startTip) + '\n'));

    // Qt's own catalogue is compiled in beside ours.
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&'), QString::fromUtf8(lang.qtCancel));
}

INSTANTIATE_TEST_SUITE_P(Catalogues, LanguageTest, ::testing::ValuesIn(languages),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
