#include "formats/settings.h"
#include "resources/language.h"
#include "ui/getpointdialog.h"
#include "ui/settingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

using Dialog = kerfloom::Settings;

// Every test starts from no settings file and the default options.
struct SettingsDialogTest : ::testing::Test
{
    void SetUp() override { reset(); }
    void TearDown() override
    {
        getPointRunner = nullptr;
        reset();
    }
    static void reset()
    {
        QFile::remove(Settings::filePath());
        Settings::setFormatOptions(Settings::FormatOptions());
        Settings::setDisplayUnit(1);
        kerfloom::installLanguage(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    static QVariant stored(const char *key)
    {
        return Settings::open()->value(QLatin1String(key));
    }
};

TEST_F(SettingsDialogTest, EnablingRulesFollowTheirCheckBoxes)
{
    struct Rule { const char *box; const char *control; bool enabledWhenChecked; };
    const Rule rules[] = {
        {"moveDrawing", "editMoveDrawing", true},
        {"setStart", "editSetStart", true},
        {"setAnchor", "editSetAnchor", true},
        {"autoJoin", "autoJoinCmdOnly", true},
        {"exitApp", "exitAppCmdOnly", true},
        {"saveAs", "saveAsPath", true},
        {"saveAs", "saveAsCmdOnly", true},
        {"formatDXFSplineSegmentsFromFile", "dxfSplineSegments", false},
    };
    Dialog dialog;
    for (const Rule &r : rules) {
        SCOPED_TRACE(r.control);
        auto *box = dialog.control<QCheckBox>(r.box);
        auto *control = dialog.control<QWidget>(r.control);
        ASSERT_TRUE(box && control);
        for (bool on : {true, false, true}) {
            box->setChecked(on);
            EXPECT_EQ(control->isEnabled(), on == r.enabledWhenChecked);
        }
    }
    // A rule also holds for the values loaded when the dialog opens.
    Settings::ActionSetAnchor.write(false);
    Settings::DxfSplineSegmentsFromFile.write(true);
    Dialog reopened;
    EXPECT_FALSE(reopened.control<QWidget>("editSetAnchor")->isEnabled());
    EXPECT_FALSE(reopened.control<QWidget>("dxfSplineSegments")->isEnabled());
}

TEST_F(SettingsDialogTest, PageListsSwitchTheirPages)
{
    Dialog dialog;
    for (const auto &names : {std::pair{"listWidget", "stackedWidget"}, std::pair{"formatList", "formatStack"}}) {
        auto *list = dialog.control<QListWidget>(names.first);
        auto *stack = dialog.control<QStackedWidget>(names.second);
        for (int row : {2, 0, 1}) {
            list->setCurrentRow(row);
            EXPECT_EQ(stack->currentIndex(), row) << names.first;
        }
    }
}

TEST_F(SettingsDialogTest, OkWritesEveryKeyWithTheControlValuesAndUpdatesTheOptions)
{
    Dialog dialog;
    dialog.control<QComboBox>("units")->setCurrentIndex(3);
    dialog.control<QCheckBox>("duplicateNonClosed")->setChecked(false);
    dialog.control<QDoubleSpinBox>("closedPrecision")->setValue(0.25);
    dialog.control<QCheckBox>("warnNonClosed")->setChecked(false);
    dialog.control<QLineEdit>("defaultSavePath")->setText(QStringLiteral("%p/out/%f.dxf"));
    dialog.control<QCheckBox>("askBeforeClosing")->setChecked(false);
    dialog.control<QCheckBox>("autoJoinCmdOnly")->setChecked(false);
    dialog.control<QLineEdit>("saveAsPath")->setText(QStringLiteral("%d.svg"));
    dialog.control<QSpinBox>("hpglUnits")->setValue(40);
    dialog.control<QCheckBox>("hpglAutoWeld")->setChecked(false);
    dialog.control<QPlainTextEdit>("gcodeInit")->setPlainText(QStringLiteral("G21;G1 F300"));
    dialog.control<QPlainTextEdit>("gcodeFinish")->setPlainText(QStringLiteral("M2"));
    dialog.control<QLineEdit>("axisX")->setText(QStringLiteral("A"));
    dialog.control<QComboBox>("gcodeUnits")->setCurrentIndex(3);
    dialog.control<QCheckBox>("formatDXFSplineSegmentsFromFile")->setChecked(false);
    dialog.control<QSpinBox>("dxfSplineSegments")->setValue(20);
    dialog.control<QGroupBox>("dxfAutoWeld")->setChecked(false);
    dialog.control<QDoubleSpinBox>("dxfAutoWeldPrecision")->setValue(0.05);
    dialog.control<QCheckBox>("dxfIgnoreClosedFlag")->setChecked(true);
    dialog.control<QCheckBox>("dxfExpandBlocks")->setChecked(false);
    dialog.control<QSpinBox>("dxfMaxPoints")->setValue(5000);
    dialog.control<QLineEdit>("baseUrl")->setText(QStringLiteral(" http://127.0.0.1:9 "));
    dialog.accept();

    const QStringList expected = {
        "Main/Units", "Main/Language",
        "Drawing/DuplicateNonClosed", "Drawing/ClosedPrecision", "Drawing/WarnNonClosed",
        "Drawing/DrawPoints", "Drawing/ScalePoints", "Drawing/ScaleLine", "Drawing/DrawDirectionArrows",
        "Saving/AskBeforeClosing", "Saving/WarnWhenMultipleObjects", "Saving/DefaultSavePath",
        "MoveDrawing/X", "MoveDrawing/Y", "MoveDrawing/Relative", "MoveDrawing/Anchor",
        "StartPoint/X", "StartPoint/Y", "StartPoint/Relative", "StartPoint/Anchor",
        "Anchor/X", "Anchor/Y", "Anchor/Relative", "Anchor/Anchor",
        "Actions/SaveAsPath", "Actions/MoveDrawing", "Actions/SetStartPoint", "Actions/AutoJoin",
        "Actions/SaveAs", "Actions/ExitApplication", "Actions/SetAnchor", "Actions/AutoJoinCmdOnly",
        "Actions/SaveAsCmdOnly", "Actions/ExitApplicationCmdOnly",
        "Format/HPGL/Units", "Format/HPGL/AutoWeld",
        "Format/GCode/Init", "Format/GCode/Finish", "Format/GCode/AxisMappingX",
        "Format/GCode/AxisMappingY", "Format/GCode/Units",
        "Format/DXF/SplineSegments", "Format/DXF/SplineSegmentsFromFile", "Format/DXF/AutoWeld",
        "Format/DXF/AutoWeldPrecision", "Format/DXF/IgnoreClosedFlag", "Format/DXF/ExpandBlocks",
        "Format/DXF/MaxPoints", "Network/BaseUrl", "Network/UpdateUrl"};
    QStringList keys = Settings::open()->allKeys();
    keys.sort();
    QStringList sortedExpected = expected;
    sortedExpected.sort();
    EXPECT_EQ(keys, sortedExpected);

    EXPECT_EQ(stored("Main/Units").toInt(), 3);
    EXPECT_EQ(stored("Main/Language").toString(), QStringLiteral("en_US"));
    EXPECT_EQ(stored("Drawing/ClosedPrecision").toDouble(), 0.25);
    EXPECT_EQ(stored("Saving/DefaultSavePath").toString(), QStringLiteral("%p/out/%f.dxf"));
    EXPECT_EQ(stored("Actions/AutoJoinCmdOnly").toBool(), false);
    EXPECT_EQ(stored("Actions/SaveAsPath").toString(), QStringLiteral("%d.svg"));
    EXPECT_EQ(stored("Format/GCode/AxisMappingX").toString(), QStringLiteral("A"));
    EXPECT_EQ(stored("Format/DXF/MaxPoints").toInt(), 5000);
    EXPECT_EQ(stored("Network/BaseUrl").toString(), QStringLiteral("http://127.0.0.1:9"));
    EXPECT_EQ(Settings::displayUnit(), 3);

    const Settings::FormatOptions &o = Settings::formatOptions();
    EXPECT_FALSE(o.duplicateNonClosed);
    EXPECT_EQ(o.closedPrecision, 0.25);
    EXPECT_EQ(o.hpglUnits, 40);
    EXPECT_FALSE(o.hpglAutoWeld);
    EXPECT_EQ(o.gcodeInit, QStringLiteral("G21;G1 F300"));
    EXPECT_EQ(o.gcodeFinish, QStringLiteral("M2"));
    EXPECT_EQ(o.gcodeAxisX, QLatin1Char('A'));
    EXPECT_EQ(o.gcodeAxisY, QLatin1Char('Y'));
    EXPECT_EQ(o.gcodeUnits, 3);
    EXPECT_EQ(o.dxfSplineSegments, 20);
    EXPECT_FALSE(o.dxfSplineSegmentsFromFile);
    EXPECT_FALSE(o.dxfAutoWeld);
    EXPECT_EQ(o.dxfAutoWeldPrecision, 0.05);
    EXPECT_TRUE(o.dxfIgnoreClosedFlag);
    EXPECT_FALSE(o.dxfExpandBlocks);
    EXPECT_EQ(o.dxfMaxPoints, 5000);

    // Opening again shows what was written.
    Dialog again;
    EXPECT_EQ(again.control<QComboBox>("gcodeUnits")->currentIndex(), 3);
    EXPECT_EQ(again.control<QSpinBox>("hpglUnits")->value(), 40);
    EXPECT_FALSE(again.control<QCheckBox>("dxfExpandBlocks")->isChecked());
}

TEST_F(SettingsDialogTest, OnlyDisplayOptionsAnnounceADrawingUpdate)
{
    struct Case { const char *control; bool announces; };
    for (const Case c : {Case{"gcodeUnits", false}, Case{"units", false}, Case{"warnNonClosed", false},
                         Case{"drawPoints", true}, Case{"scalePoints", true}, Case{"scaleLine", true},
                         Case{"drawArrows", true}}) {
        SCOPED_TRACE(c.control);
        reset();
        Dialog dialog;
        QSignalSpy spy(&dialog, &Dialog::updateDrawing);
        if (auto *combo = dialog.control<QComboBox>(c.control))
            combo->setCurrentIndex(2);
        else
            dialog.control<QCheckBox>(c.control)->toggle();
        dialog.accept();
        EXPECT_EQ(spy.count(), c.announces ? 1 : 0);
    }
}

TEST_F(SettingsDialogTest, SplineCountGreyedAsInFileIsStillSaved)
{
    Dialog dialog;
    auto *segments = dialog.control<QSpinBox>("dxfSplineSegments");
    auto *fromFile = dialog.control<QCheckBox>("formatDXFSplineSegmentsFromFile");
    fromFile->setChecked(false);
    segments->setValue(37);
    fromFile->setChecked(true);
    EXPECT_FALSE(segments->isEnabled());
    dialog.accept();
    EXPECT_EQ(stored("Format/DXF/SplineSegments").toInt(), 37);
    EXPECT_TRUE(stored("Format/DXF/SplineSegmentsFromFile").toBool());
}

TEST_F(SettingsDialogTest, EditedMoveSpecIsSavedEvenWhenTheActionIsOff)
{
    Dialog dialog;
    getPointRunner = [](GetPointDialog &d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Move drawing"));
        EXPECT_TRUE(d.anchorWidget()->isHidden()); // move mode
        d.xBox()->setValue(1); // display unit cm
        d.relativeBox()->setChecked(true);
        return true;
    };
    dialog.control<QCheckBox>("moveDrawing")->setChecked(true);
    dialog.control<QPushButton>("editMoveDrawing")->click();
    EXPECT_EQ(dialog.control<QCheckBox>("moveDrawing")->text(), QStringLiteral("Move drawing by X: 10 Y: 0"));
    dialog.control<QCheckBox>("moveDrawing")->setChecked(false);
    dialog.accept();
    EXPECT_EQ(stored("MoveDrawing/X").toDouble(), 10.0);
    EXPECT_TRUE(stored("MoveDrawing/Relative").toBool());
    EXPECT_FALSE(stored("Actions/MoveDrawing").toBool());
}

// A long placement text (large numbers, a reference point's name, a long
// translation) neither widens the page nor hides its Edit button.
TEST_F(SettingsDialogTest, ALongPlacementTextKeepsThePageWidth)
{
    Dialog dialog;
    QWidget *group = dialog.control<QCheckBox>("setAnchor")->parentWidget();
    dialog.control<QCheckBox>("setAnchor")->setChecked(true);
    const int before = group->minimumSizeHint().width();
    getPointRunner = [](GetPointDialog &d) {
        d.xBox()->setValue(-1234567.891);
        d.yBox()->setValue(9876543.21);
        d.relativeBox()->setChecked(true);
        d.anchorWidget()->setSelectedIndex(9);
        return true;
    };
    dialog.control<QPushButton>("editSetAnchor")->click();
    const QString text = dialog.control<QCheckBox>("setAnchor")->text();
    EXPECT_TRUE(text.endsWith(QStringLiteral("bottom right corner"))) << text.toStdString();
    EXPECT_EQ(dialog.control<QCheckBox>("setAnchor")->toolTip(), text);
    EXPECT_EQ(group->minimumSizeHint().width(), before);
}

TEST_F(SettingsDialogTest, AnAxisNameIsTakenOnlyAsOneLetter)
{
    struct Case { QString typed; QString stored; };
    for (const Case &c : {Case{"", "B"}, Case{"7", "B"}, Case{" ", "B"}, Case{"Q", "Q"}}) {
        SCOPED_TRACE(c.typed.toStdString());
        reset();
        Settings::GCodeAxisMappingY.write(QStringLiteral("B"));
        Dialog dialog;
        EXPECT_EQ(dialog.control<QLineEdit>("axisY")->text(), QStringLiteral("B"));
        dialog.control<QLineEdit>("axisY")->setText(c.typed);
        dialog.accept();
        EXPECT_EQ(stored("Format/GCode/AxisMappingY").toString(), c.stored);
        EXPECT_EQ(QString(Settings::formatOptions().gcodeAxisY), c.stored);
    }
}

TEST_F(SettingsDialogTest, ActionTextsDescribeTheSpecs)
{
    PositionSpec spec;
    spec.x = 10;
    EXPECT_EQ(Dialog::moveDrawingText(spec), QStringLiteral("Move drawing to X: 10 Y: 0"));
    spec.useAnchor = true;
    EXPECT_EQ(Dialog::moveDrawingText(spec), QStringLiteral("Move drawing by X: 10 Y: 0"));
    spec = PositionSpec();
    EXPECT_EQ(Dialog::anchorText(spec), QStringLiteral("Set anchor to X: 0 Y: 0"));
    spec.x = 2.5;
    spec.useAnchor = true;
    spec.anchorIndex = 5;
    EXPECT_EQ(Dialog::startPointText(spec),
              QStringLiteral("Set cutting path start position to X: 2.5 Y: 0 relative to drawing's center"));
}

// Stands in for a catalogue: marks every text of the dialog's context.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        return QLatin1String(context) == QLatin1String("kerfloom::Settings")
                   ? QStringLiteral("[") + QLatin1String(source) + QStringLiteral("]")
                   : QString();
    }
    bool isEmpty() const override { return false; }
};

TEST_F(SettingsDialogTest, LanguagePreviewIsUndoneOnCancel)
{
    Settings::setLanguage(QStringLiteral("en_US"));
    Dialog dialog;
    auto *language = dialog.control<QComboBox>("language");
    ASSERT_EQ(language->count(), 3);
    EXPECT_EQ(language->currentIndex(), 0);
    language->setCurrentIndex(1);
    EXPECT_EQ(kerfloom::installedLanguage(), QStringLiteral("pl"));
    EXPECT_EQ(QLocale().language(), QLocale::Polish);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(dialog.control<QDoubleSpinBox>("closedPrecision")->text(), QStringLiteral("0,005 mm"));
    dialog.reject();
    EXPECT_EQ(kerfloom::installedLanguage(), QString());
    EXPECT_EQ(QLocale().name(), QStringLiteral("en_US"));
    EXPECT_EQ(Settings::language(), QStringLiteral("en_US"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(dialog.control<QDoubleSpinBox>("closedPrecision")->text(), QStringLiteral("0.005 mm"));

    // Accepting keeps the choice and stores it.
    Dialog second;
    second.control<QComboBox>("language")->setCurrentIndex(2);
    second.accept();
    EXPECT_EQ(kerfloom::installedLanguage(), QStringLiteral("es"));
    EXPECT_EQ(Settings::language(), QStringLiteral("es_ES"));
}

TEST_F(SettingsDialogTest, ALanguageChangeRetranslatesTheOpenDialog)
{
    Dialog dialog;
    MarkingTranslator marks;
    QCoreApplication::installTranslator(&marks);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("[Settings]"));
    EXPECT_EQ(dialog.control<QCheckBox>("drawPoints")->text(), QStringLiteral("[Show points]"));
    EXPECT_EQ(dialog.control<QComboBox>("gcodeUnits")->itemText(3), QStringLiteral("[inches]"));
    EXPECT_EQ(dialog.control<QListWidget>("listWidget")->item(2)->text(), QStringLiteral("[Formats]"));
    QCoreApplication::removeTranslator(&marks);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(dialog.control<QCheckBox>("drawPoints")->text(), QStringLiteral("Show points"));
}

TEST_F(SettingsDialogTest, AStoredLanguageWithoutAFlagIsKeptOnOk)
{
    kerfloom::installLanguage(QLocale(QLocale::Italian, QLocale::Italy));
    Settings::setLanguage(QStringLiteral("it_IT"));
    Dialog dialog;
    EXPECT_EQ(dialog.control<QComboBox>("language")->currentData().toLocale().name(), QStringLiteral("it_IT"));
    dialog.accept();
    EXPECT_EQ(Settings::language(), QStringLiteral("it_IT"));
}

TEST_F(SettingsDialogTest, EscapeCancelsAndEnterInTheGCodeBlockIsANewLine)
{
    Dialog dialog;
    dialog.show();
    auto *init = dialog.control<QPlainTextEdit>("gcodeInit");
    dialog.control<QListWidget>("listWidget")->setCurrentRow(2);
    dialog.control<QListWidget>("formatList")->setCurrentRow(1);
    init->setFocus();
    QTest::keyClick(init, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(init->toPlainText(), QStringLiteral("\nG1 F100"));
    QTest::keyClick(dialog.control<QLineEdit>("saveAsPath"), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), int(QDialog::Rejected));
    EXPECT_FALSE(QFile::exists(Settings::filePath()));
}

// Long translations once stretched the window beyond its size; now it opens
// at that size in every language and a page scrolls rather than grows.
TEST_F(SettingsDialogTest, OpensAtItsSizeInEveryLanguage)
{
    for (const char *name : {"en_US", "it_IT", "pl_PL", "es_ES"}) {
        SCOPED_TRACE(name);
        kerfloom::installLanguage(QLocale(QLatin1String(name)));
        Dialog dialog;
        dialog.show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.width(), 785);
        EXPECT_EQ(dialog.height(), 540);
        auto *list = dialog.control<QListWidget>("listWidget");
        for (int row = 0; row < 3; ++row) {
            list->setCurrentRow(row);
            auto *page = qobject_cast<QScrollArea *>(dialog.control<QStackedWidget>("stackedWidget")->currentWidget());
            ASSERT_NE(page, nullptr);
            EXPECT_TRUE(page->isVisible());
        }
        dialog.reject();
    }
}

} // namespace
