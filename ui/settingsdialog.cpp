#include "ui/settingsdialog.h"

#include "formats/settings.h"
#include "resources/language.h"
#include "ui/getpointdialog.h"
#include "ui/keyeventfilter.h"
#include "ui/style/brenmoorstyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDirModel>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <climits>

namespace kerfloom {

namespace Store = ::Settings;

namespace {
const char *const groupStyle =
    "QGroupBox { border: none; padding-left: 20px; padding-top: 20px; font-size: 15px; "
    "margin-top: 6px; } QGroupBox::title { color: #4e4e4e; subcontrol-origin: margin; left: 0px; } "
    "#hline { background-image: url(:/Kerfloom/Resources/hline.png); background-repeat: repeat-x; "
    "background-position: center left; margin-left: 18px; }";

QString number(double v)
{
    return QString::number(v, 'g');
}

// One letter, or the previous letter: a blank or two characters are a slip.
QChar axisFrom(const QString &text, QChar previous)
{
    if (text.size() == 1 && text.at(0).isLetter() && text.at(0).unicode() < 128)
        return text.at(0);
    return previous;
}

QWidget *rule(QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QStringLiteral("hline"));
    line->setAttribute(Qt::WA_StyledBackground);
    line->setFixedHeight(2);
    return line;
}

// A page that scrolls when its texts need more room than the window has: a
// long translation or a large font would otherwise push the window beyond
// its size, or off a small screen.
QWidget *scrollable(QWidget *page)
{
    auto *area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->viewport()->setAutoFillBackground(false);
    page->setAutoFillBackground(false);
    area->setWidget(page);
    return area;
}

QString pathHelp()
{
    return Settings::tr("%o - full path to file\n%p - full path to directory\n%d - directory name\n"
                        "%f - filename without extension\n%e - file extension");
}
} // namespace

Settings::Settings(QWidget *parent)
    : QDialog(parent, Qt::Window), m_settings(Store::open())
{
    setObjectName(QStringLiteral("SettingsClass"));
    resize(785, 540);
    m_keyFilter = new KeyEventFilter(this);
    installEventFilter(m_keyFilter);
    // The filter swallows Escape; the dialog still has to close on it.
    connect(m_keyFilter, &KeyEventFilter::RejectCommand, this, &QDialog::reject);
    buildForm();
    load();
    retranslateUi();
    QMetaObject::connectSlotsByName(this);
    connect(this, &QDialog::accepted, this, &Settings::onAccepted);
    connect(this, &QDialog::rejected, this, &Settings::onRejected);
}

Settings::~Settings() = default;

// ---- building the form --------------------------------------------------------

void Settings::translated(const Text &text, std::function<void(const QString &)> apply)
{
    m_retranslate.push_back([text, apply] { apply(text()); });
}

QCheckBox *Settings::check(QWidget *parent, const char *name, const Text &text)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(QLatin1String(name));
    translated(text, [box](const QString &t) { box->setText(t); });
    return box;
}

QLabel *Settings::label(QWidget *parent, const Text &text)
{
    auto *l = new QLabel(parent);
    translated(text, [l](const QString &t) { l->setText(t); });
    return l;
}

QGroupBox *Settings::group(QWidget *parent, const char *name, const Text &title)
{
    auto *g = new QGroupBox(parent);
    g->setObjectName(QLatin1String(name));
    translated(title, [g](const QString &t) { g->setTitle(t); });
    return g;
}

void Settings::buildForm()
{
    setStyleSheet(QLatin1String(groupStyle));
    auto *outer = new QVBoxLayout(this);
    auto *header = label(this, [] { return tr("Application settings"); });
    header->setObjectName(QStringLiteral("header"));
    QFont headerFont(QStringLiteral("Arial"));
    headerFont.setPointSize(16);
    header->setFont(headerFont);
    header->setStyleSheet(QStringLiteral("color: #4e4e4e;"));
    outer->addWidget(header);

    auto *body = new QHBoxLayout;
    auto *list = new QListWidget(this);
    list->setObjectName(QStringLiteral("listWidget"));
    list->setItemDelegate(new BrenmoorStyle::ListItemDelegate(list));
    list->setFixedWidth(170);
    list->setFrameShape(QFrame::NoFrame);
    for (int i = 0; i < 3; ++i)
        list->addItem(QString());
    translated([] { return tr("General"); }, [list](const QString &t) { list->item(0)->setText(t); });
    translated([] { return tr("Actions"); }, [list](const QString &t) { list->item(1)->setText(t); });
    translated([] { return tr("Formats"); }, [list](const QString &t) { list->item(2)->setText(t); });
    auto *pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("stackedWidget"));
    pages->addWidget(scrollable(buildGeneralPage()));
    pages->addWidget(scrollable(buildActionsPage()));
    pages->addWidget(scrollable(buildFormatsPage()));
    body->addWidget(list);
    body->addWidget(pages, 1);
    outer->addLayout(body, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);
    list->setCurrentRow(0);
}

QWidget *Settings::buildGeneralPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->setSpacing(2);

    auto *drawing = group(page, "drawingGroup", [] { return tr("Drawing"); });
    auto *d = new QGridLayout(drawing);
    d->setVerticalSpacing(0);
    d->addWidget(check(drawing, "scaleLine", [] { return tr("Scale line size"); }), 0, 0);
    d->addWidget(check(drawing, "scalePoints", [] { return tr("Scale point size"); }), 0, 1);
    d->addWidget(check(drawing, "drawPoints", [] { return tr("Show points"); }), 1, 0);
    d->addWidget(check(drawing, "drawArrows", [] { return tr("Draw direction arrows"); }), 1, 1);
    auto *closedRow = new QHBoxLayout;
    auto *closedText = label(drawing, [] {
        return tr("Treat shape as closed when distance from first to last point is less than");
    });
    closedText->setWordWrap(true);
    closedRow->addWidget(closedText, 1);
    auto *precision = new QDoubleSpinBox(drawing);
    precision->setObjectName(QStringLiteral("closedPrecision"));
    precision->setDecimals(3);
    precision->setRange(0, 100000);
    precision->setSuffix(QStringLiteral(" mm"));
    precision->setMinimumWidth(120);
    closedRow->addWidget(precision);
    d->addLayout(closedRow, 2, 0, 1, 2);
    d->addWidget(check(drawing, "warnNonClosed", [] { return tr("Warn if there are non-closed shapes"); }), 3, 0, 1, 2);
    d->addWidget(check(drawing, "duplicateNonClosed", [] { return tr("Duplicate non-closed shapes when linking"); }), 4, 0, 1, 2);
    layout->addWidget(drawing);
    layout->addWidget(rule(page));

    // Language and units share a row: the page has to fit the window's height.
    auto *iface = new QWidget(page);
    auto *f = new QHBoxLayout(iface);
    f->setContentsMargins(20, 6, 0, 6);
    auto *language = new QComboBox(iface);
    language->setObjectName(QStringLiteral("language"));
    language->setItemDelegate(new BrenmoorStyle::ComboItemDelegate(language));
    language->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    language->setMinimumContentsLength(12);
    f->addWidget(label(iface, [] { return tr("Language"); }));
    f->addWidget(language, 1);
    f->addSpacing(16);
    auto *units = new QComboBox(iface);
    units->setObjectName(QStringLiteral("units"));
    units->setItemDelegate(new BrenmoorStyle::ComboItemDelegate(units));
    f->addWidget(label(iface, [] { return tr("Units"); }));
    f->addWidget(units);
    layout->addWidget(iface);
    layout->addWidget(rule(page));

    auto *saving = group(page, "savingGroup", [] { return tr("Saving"); });
    auto *s = new QGridLayout(saving);
    s->setVerticalSpacing(0);
    s->addWidget(label(saving, [] { return tr("Default save path"); }), 0, 0);
    auto *path = new QLineEdit(saving);
    path->setObjectName(QStringLiteral("defaultSavePath"));
    translated([] { return pathHelp(); }, [path](const QString &t) { path->setToolTip(t); });
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    auto *dirs = new QDirModel(QStringList(), QDir::Drives | QDir::AllDirs | QDir::NoDotAndDotDot,
                               QDir::Name, this);
    QT_WARNING_POP
    m_completer = new QCompleter(dirs, this);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setMaxVisibleItems(15);
    path->setCompleter(m_completer);
    s->addWidget(path, 0, 1);
    auto *browse = new QPushButton(QStringLiteral("..."), saving);
    browse->setObjectName(QStringLiteral("pushButton_2"));
    browse->setFixedWidth(32);
    s->addWidget(browse, 0, 2);
    s->addWidget(check(saving, "askBeforeClosing", [] { return tr("Ask before closing unsaved files"); }), 1, 0, 1, 3);
    s->addWidget(check(saving, "warnMultipleObjects", [] { return tr("Warn when saving drawing with more than 1 object"); }), 2, 0, 1, 3);
    layout->addWidget(saving);
    layout->addWidget(rule(page));

    // The vendor's server: the About dialog's product row, crash reports, updates.
    auto *network = group(page, "networkGroup", [] { return tr("Network"); });
    auto *n = new QFormLayout(network);
    n->setVerticalSpacing(2);
    auto *base = new QLineEdit(network);
    base->setObjectName(QStringLiteral("baseUrl"));
    // The placeholder is short enough to show whole; the tool tip explains.
    translated([] { return tr("Empty: no connection"); },
               [base](const QString &t) { base->setPlaceholderText(t); });
    translated([] { return tr("Empty: the program never connects to the vendor's server"); },
               [base](const QString &t) { base->setToolTip(t); });
    n->addRow(label(network, [] { return tr("Vendor server address"); }), base);
    auto *update = new QLineEdit(network);
    update->setObjectName(QStringLiteral("updateUrl"));
    translated([] { return tr("Empty: vendor server + /update"); },
               [update](const QString &t) { update->setPlaceholderText(t); });
    translated([] { return tr("Empty: the vendor server's address followed by /update"); },
               [update](const QString &t) { update->setToolTip(t); });
    n->addRow(label(network, [] { return tr("Update server address"); }), update);
    layout->addWidget(network);
    layout->addStretch();
    return page;
}

QWidget *Settings::buildActionsPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 4, 0);
    auto *loaded = group(page, "actionsGroup", [] { return tr("When the drawing is loaded:"); });
    auto *g = new QGridLayout(loaded);
    g->setColumnStretch(0, 1);
    int row = 0;
    auto placement = [&](const char *box, const char *edit) {
        auto *b = new QCheckBox(loaded);
        b->setObjectName(QLatin1String(box));
        // The text grows with the numbers and the reference point's name; it
        // must not push the Edit buttons out of the window. The tool tip
        // keeps it readable when cut.
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        auto *e = new QPushButton(loaded);
        e->setObjectName(QLatin1String(edit));
        translated([] { return tr("Edit"); }, [e](const QString &t) { e->setText(t); });
        g->addWidget(b, row, 0, 1, 2);
        g->addWidget(e, row++, 2);
    };
    placement("moveDrawing", "editMoveDrawing");
    placement("setStart", "editSetStart");
    placement("setAnchor", "editSetAnchor");
    auto cmdOnly = [&](const char *name) {
        return check(loaded, name, [] { return tr("only if loaded from command-line"); });
    };
    g->addWidget(check(loaded, "autoJoin", [] { return tr("Auto-join"); }), row, 0);
    g->addWidget(cmdOnly("autoJoinCmdOnly"), row++, 1, 1, 2);
    g->addWidget(check(loaded, "saveAs", [] { return tr("Save as"); }), row, 0);
    g->addWidget(cmdOnly("saveAsCmdOnly"), row++, 1, 1, 2);
    auto *path = new QLineEdit(loaded);
    path->setObjectName(QStringLiteral("saveAsPath"));
    path->setText(QStringLiteral("%p/%f.tap"));
    translated([] { return pathHelp(); }, [path](const QString &t) { path->setToolTip(t); });
    auto *pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(24, 0, 0, 0);
    pathRow->addWidget(path);
    g->addLayout(pathRow, row++, 0, 1, 3);
    g->addWidget(check(loaded, "exitApp", [] { return tr("Exit application"); }), row, 0);
    g->addWidget(cmdOnly("exitAppCmdOnly"), row++, 1, 1, 2);
    layout->addWidget(loaded);
    layout->addStretch();
    return page;
}

QWidget *Settings::buildFormatsPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->addWidget(label(page, [] { return tr("Format options"); }));
    auto *body = new QHBoxLayout;
    auto *list = new QListWidget(page);
    list->setObjectName(QStringLiteral("formatList"));
    list->setItemDelegate(new BrenmoorStyle::ListItemDelegate(list));
    list->setFixedWidth(100);
    for (const char *name : {"HPGL", "G-Code", "DXF"})
        list->addItem(QLatin1String(name));
    auto *stack = new QStackedWidget(page);
    stack->setObjectName(QStringLiteral("formatStack"));
    body->addWidget(list);
    body->addWidget(stack, 1);
    layout->addLayout(body, 1);

    // HPGL
    auto *hpgl = new QWidget;
    auto *h = new QGridLayout(hpgl);
    h->addWidget(label(hpgl, [] { return tr("Plotter units"); }), 0, 0);
    auto *units = new QSpinBox(hpgl);
    units->setObjectName(QStringLiteral("hpglUnits"));
    units->setRange(0, 999999999);
    units->setValue(1016);
    h->addWidget(units, 0, 1);
    h->addWidget(label(hpgl, [] { return tr("per inch"); }), 0, 2);
    auto *weld = check(hpgl, "hpglAutoWeld", [] { return tr("Automatic weld"); });
    translated([] { return tr("Combine overlapping objects of the same color"); },
               [weld](const QString &t) { weld->setToolTip(t); });
    h->addWidget(weld, 1, 0, 1, 3);
    h->setRowStretch(2, 1);
    h->setColumnStretch(3, 1);
    stack->addWidget(hpgl);

    // G-code
    auto *gcode = new QWidget;
    auto *c = new QGridLayout(gcode);
    c->addWidget(label(gcode, [] { return tr("Initial G-Codes"); }), 0, 0, 1, 2);
    auto *init = new QPlainTextEdit(gcode);
    init->setObjectName(QStringLiteral("gcodeInit"));
    c->addWidget(init, 1, 0, 1, 2);
    c->addWidget(label(gcode, [] { return tr("Finishing G-Codes"); }), 2, 0, 1, 2);
    auto *finish = new QPlainTextEdit(gcode);
    finish->setObjectName(QStringLiteral("gcodeFinish"));
    c->addWidget(finish, 3, 0, 1, 2);
    auto *axes = new QFormLayout;
    for (const char *name : {"axisX", "axisY"}) {
        auto *axis = new QLineEdit(gcode);
        axis->setObjectName(QLatin1String(name));
        axis->setMaxLength(1);
        axis->setFixedWidth(40);
        if (name[4] == 'X')
            axes->addRow(label(gcode, [] { return tr("X axis name"); }), axis);
        else
            axes->addRow(label(gcode, [] { return tr("Y axis name"); }), axis);
    }
    auto *out = new QComboBox(gcode);
    out->setObjectName(QStringLiteral("gcodeUnits"));
    out->setItemDelegate(new BrenmoorStyle::ComboItemDelegate(out));
    axes->addRow(label(gcode, [] { return tr("Output units"); }), out);
    c->addLayout(axes, 4, 0, 1, 2);
    stack->addWidget(gcode);

    // DXF
    auto *dxf = new QWidget;
    auto *x = new QGridLayout(dxf);
    // The DXF texts may wrap: in some languages they are too long for one line
    // beside the spin boxes.
    const auto wrapped = [](QLabel *l) {
        l->setWordWrap(true);
        return l;
    };
    x->addWidget(wrapped(label(dxf, [] { return tr("Spline segments (resolution)"); })), 0, 0);
    auto *segments = new QSpinBox(dxf);
    segments->setObjectName(QStringLiteral("dxfSplineSegments"));
    segments->setRange(1, 1000);
    segments->setValue(8);
    x->addWidget(segments, 0, 1);
    x->addWidget(check(dxf, "formatDXFSplineSegmentsFromFile", [] { return tr("as in file"); }), 0, 2);
    auto *welding = group(dxf, "dxfAutoWeld", [] { return tr("Automatic welding"); });
    welding->setCheckable(true);
    auto *w = new QFormLayout(welding);
    auto *weldPrecision = new QDoubleSpinBox(welding);
    weldPrecision->setObjectName(QStringLiteral("dxfAutoWeldPrecision"));
    weldPrecision->setDecimals(5);
    weldPrecision->setSingleStep(0.01);
    weldPrecision->setRange(0, 100000);
    weldPrecision->setValue(0.1);
    weldPrecision->setSuffix(QStringLiteral(" mm"));
    // Sized for usual values, not for the widest one the range allows: the
    // page has to fit beside the lists in every language.
    weldPrecision->setMinimumWidth(120);
    w->addRow(label(welding, [] { return tr("Automatic welding precision"); }), weldPrecision);
    x->addWidget(welding, 1, 0, 1, 3);
    x->addWidget(check(dxf, "dxfIgnoreClosedFlag", [] { return tr("Ignore polyline \"closed\" flag"); }), 2, 0, 1, 3);
    x->addWidget(check(dxf, "dxfExpandBlocks", [] {
        return tr("Draw block contents wherever the drawing places them");
    }), 3, 0, 1, 3);
    x->addWidget(wrapped(label(dxf, [] { return tr("Refuse files with more points than"); })), 4, 0);
    auto *maxPoints = new QSpinBox(dxf);
    maxPoints->setObjectName(QStringLiteral("dxfMaxPoints"));
    maxPoints->setRange(1, INT_MAX);
    maxPoints->setGroupSeparatorShown(true);
    maxPoints->setMinimumWidth(120);
    x->addWidget(maxPoints, 4, 1, 1, 2);
    x->setRowStretch(5, 1);
    x->setColumnStretch(0, 1);
    stack->addWidget(dxf);
    list->setCurrentRow(0);
    return page;
}

void Settings::fillLanguages()
{
    auto *combo = control<QComboBox>("language");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    combo->addItem(QIcon(QStringLiteral(":/Kerfloom/Resources/us.png")), english.nativeLanguageName(), english);
    combo->addItem(QIcon(QStringLiteral(":/Kerfloom/Resources/pl.png")), polish.nativeLanguageName(), polish);
    combo->addItem(QIcon(QStringLiteral(":/Kerfloom/Resources/es.png")),
                   QStringLiteral("Español (traducción: equipo de Kerfloom)"), spanish);
    const QLocale current;
    int selected = -1;
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemData(i).toLocale().name() == current.name())
            selected = i;
    // A language chosen elsewhere (Italian, say) is offered as it is, so that
    // OK does not silently switch the program to English.
    if (selected < 0 && current.language() != QLocale::English && current.language() != QLocale::C) {
        combo->addItem(current.nativeLanguageName(), current);
        selected = combo->count() - 1;
    }
    combo->setCurrentIndex(std::max(selected, 0));
}

void Settings::load()
{
    m_filling = true;
    QSettings &s = *m_settings;
    fillLanguages();
    control<QCheckBox>("scaleLine")->setChecked(Store::ScaleLine.read(s));
    control<QCheckBox>("scalePoints")->setChecked(Store::ScalePoints.read(s));
    control<QCheckBox>("drawPoints")->setChecked(Store::DrawPoints.read(s));
    control<QCheckBox>("drawArrows")->setChecked(Store::DrawDirectionArrows.read(s));
    control<QDoubleSpinBox>("closedPrecision")->setValue(Store::ClosedPrecision.read(s));
    control<QCheckBox>("warnNonClosed")->setChecked(Store::WarnNonClosed.read(s));
    control<QCheckBox>("duplicateNonClosed")->setChecked(Store::DuplicateNonClosed.read(s));
    auto *units = control<QComboBox>("units");
    auto *gcodeUnits = control<QComboBox>("gcodeUnits");
    for (int i = 0; i < 4; ++i) {
        units->addItem(QString());
        gcodeUnits->addItem(QString());
    }
    units->setCurrentIndex(qBound(0, Store::Units.read(s), 3));
    control<QLineEdit>("defaultSavePath")->setText(Store::DefaultSavePath.read(s));
    control<QCheckBox>("askBeforeClosing")->setChecked(Store::AskBeforeClosing.read(s));
    control<QCheckBox>("warnMultipleObjects")->setChecked(Store::WarnWhenMultipleObjects.read(s));
    control<QLineEdit>("baseUrl")->setText(Store::BaseUrl.read(s));
    control<QLineEdit>("updateUrl")->setText(Store::UpdateUrl.read(s));

    m_moveSpec = Store::readPosition(s, Store::MoveDrawingGroup);
    m_startSpec = Store::readPosition(s, Store::StartPointGroup);
    m_anchorSpec = Store::readPosition(s, Store::AnchorGroup);
    const auto setCheck = [this](const char *name, bool on) {
        auto *box = control<QCheckBox>(name);
        box->setChecked(on);
    };
    setCheck("moveDrawing", Store::ActionMoveDrawing.read(s));
    setCheck("setStart", Store::ActionSetStartPoint.read(s));
    setCheck("setAnchor", Store::ActionSetAnchor.read(s));
    setCheck("autoJoin", Store::ActionAutoJoin.read(s));
    setCheck("autoJoinCmdOnly", Store::ActionAutoJoinCmdOnly.read(s));
    setCheck("saveAs", Store::ActionSaveAs.read(s));
    setCheck("saveAsCmdOnly", Store::ActionSaveAsCmdOnly.read(s));
    control<QLineEdit>("saveAsPath")->setText(Store::ActionSaveAsPath.read(s));
    setCheck("exitApp", Store::ActionExitApplication.read(s));
    setCheck("exitAppCmdOnly", Store::ActionExitApplicationCmdOnly.read(s));

    control<QSpinBox>("hpglUnits")->setValue(Store::HpglUnits.read(s));
    control<QCheckBox>("hpglAutoWeld")->setChecked(Store::HpglAutoWeld.read(s));
    control<QPlainTextEdit>("gcodeInit")->setPlainText(Store::GCodeInit.read(s));
    control<QPlainTextEdit>("gcodeFinish")->setPlainText(Store::GCodeFinish.read(s));
    m_axisX = axisFrom(Store::GCodeAxisMappingX.read(s), QLatin1Char('X'));
    m_axisY = axisFrom(Store::GCodeAxisMappingY.read(s), QLatin1Char('Y'));
    control<QLineEdit>("axisX")->setText(m_axisX);
    control<QLineEdit>("axisY")->setText(m_axisY);
    gcodeUnits->setCurrentIndex(qBound(0, Store::GCodeUnits.read(s), 3));
    control<QSpinBox>("dxfSplineSegments")->setValue(Store::DxfSplineSegments.read(s));
    control<QCheckBox>("formatDXFSplineSegmentsFromFile")->setChecked(Store::DxfSplineSegmentsFromFile.read(s));
    control<QGroupBox>("dxfAutoWeld")->setChecked(Store::DxfAutoWeld.read(s));
    control<QDoubleSpinBox>("dxfAutoWeldPrecision")->setValue(Store::DxfAutoWeldPrecision.read(s));
    control<QCheckBox>("dxfIgnoreClosedFlag")->setChecked(Store::DxfIgnoreClosedFlag.read(s));
    control<QCheckBox>("dxfExpandBlocks")->setChecked(Store::DxfExpandBlocks.read(s));
    control<QSpinBox>("dxfMaxPoints")->setValue(Store::DxfMaxPoints.read(s));

    // The enabling rules for the values just loaded; later changes arrive
    // through the slots.
    on_moveDrawing_stateChanged(0);
    on_setStart_stateChanged(0);
    on_setAnchor_stateChanged(0);
    on_autoJoin_stateChanged(0);
    on_saveAs_stateChanged(0);
    on_exitApp_stateChanged(0);
    on_formatDXFSplineSegmentsFromFile_stateChanged(0);
    m_filling = false;
}

void Settings::retranslateUi()
{
    // Numbers follow the language too: the spin boxes re-read the default locale.
    setLocale(QLocale());
    setWindowTitle(tr("Settings"));
    for (const auto &apply : m_retranslate)
        apply();
    const QString unitNames[] = {tr("millimeters"), tr("centimeters"), tr("meters"), tr("inches")};
    for (const char *name : {"units", "gcodeUnits"}) {
        auto *combo = control<QComboBox>(name);
        for (int i = 0; i < 4 && i < combo->count(); ++i)
            combo->setItemText(i, unitNames[i]);
    }
    refreshActionTexts();
}

void Settings::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

// ---- action texts -------------------------------------------------------------

namespace {
QString anchorName(int index)
{
    switch (index) {
    case 1: return Settings::tr("top left corner");
    case 2: return Settings::tr("top center");
    case 3: return Settings::tr("top right corner");
    case 4: return Settings::tr("middle left");
    case 5: return Settings::tr("center");
    case 6: return Settings::tr("middle right");
    case 7: return Settings::tr("bottom left corner");
    case 8: return Settings::tr("bottom center");
    case 9: return Settings::tr("bottom right corner");
    default: return {};
    }
}

QString relativePart(const PositionSpec &spec)
{
    return spec.useAnchor ? Settings::tr(" relative to drawing's %1").arg(anchorName(spec.anchorIndex))
                          : QString();
}
} // namespace

QString Settings::moveDrawingText(const PositionSpec &spec)
{
    return tr("Move drawing %1 %2")
        .arg(spec.useAnchor ? tr("by") : tr("to"),
             tr("X: %1 Y: %2").arg(number(spec.x), number(spec.y)));
}

QString Settings::startPointText(const PositionSpec &spec)
{
    return tr("Set cutting path start position to X: %1 Y: %2%3")
        .arg(number(spec.x), number(spec.y), relativePart(spec));
}

QString Settings::anchorText(const PositionSpec &spec)
{
    return tr("Set anchor to X: %1 Y: %2%3").arg(number(spec.x), number(spec.y), relativePart(spec));
}

void Settings::refreshActionTexts()
{
    const auto show = [this](const char *name, const QString &text) {
        auto *box = control<QCheckBox>(name);
        box->setText(text);
        box->setToolTip(text);
    };
    show("moveDrawing", moveDrawingText(m_moveSpec));
    show("setStart", startPointText(m_startSpec));
    show("setAnchor", anchorText(m_anchorSpec));
}

// ---- slots --------------------------------------------------------------------

void Settings::on_listWidget_itemSelectionChanged()
{
    const int row = control<QListWidget>("listWidget")->currentRow();
    if (row >= 0)
        control<QStackedWidget>("stackedWidget")->setCurrentIndex(row);
}

void Settings::on_formatList_itemSelectionChanged()
{
    const int row = control<QListWidget>("formatList")->currentRow();
    if (row >= 0)
        control<QStackedWidget>("formatStack")->setCurrentIndex(row);
}

void Settings::on_language_currentIndexChanged(int index)
{
    if (m_filling || index < 0)
        return;
    const QVariant data = control<QComboBox>("language")->itemData(index);
    if (data.canConvert<QLocale>())
        installLanguage(data.toLocale()); // the dialog retranslates on the change event
}

void Settings::on_pushButton_2_clicked()
{
    auto *field = control<QLineEdit>("defaultSavePath");
    // Only a path is picked here; nothing is written, so an existing file is
    // no reason to ask about replacing it.
    const QString path = QFileDialog::getSaveFileName(this, tr("Set default saving file path"),
                                                      field->text(), QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty())
        field->setText(path);
}

void Settings::on_autoJoin_stateChanged(int)
{
    control<QCheckBox>("autoJoinCmdOnly")->setEnabled(control<QCheckBox>("autoJoin")->isChecked());
}

void Settings::on_saveAs_stateChanged(int)
{
    const bool on = control<QCheckBox>("saveAs")->isChecked();
    control<QLineEdit>("saveAsPath")->setEnabled(on);
    control<QCheckBox>("saveAsCmdOnly")->setEnabled(on);
}

void Settings::on_exitApp_stateChanged(int)
{
    control<QCheckBox>("exitAppCmdOnly")->setEnabled(control<QCheckBox>("exitApp")->isChecked());
}

void Settings::on_moveDrawing_stateChanged(int)
{
    control<QPushButton>("editMoveDrawing")->setEnabled(control<QCheckBox>("moveDrawing")->isChecked());
}

void Settings::on_setStart_stateChanged(int)
{
    control<QPushButton>("editSetStart")->setEnabled(control<QCheckBox>("setStart")->isChecked());
}

void Settings::on_setAnchor_stateChanged(int)
{
    control<QPushButton>("editSetAnchor")->setEnabled(control<QCheckBox>("setAnchor")->isChecked());
}

void Settings::on_editMoveDrawing_clicked()
{
    if (askPosition(this, &m_moveSpec, tr("Move drawing"), QString(), true))
        refreshActionTexts();
}

void Settings::on_editSetStart_clicked()
{
    if (askPosition(this, &m_startSpec, tr("Set start point"), QString(), false))
        refreshActionTexts();
}

void Settings::on_editSetAnchor_clicked()
{
    if (askPosition(this, &m_anchorSpec, tr("Set anchor"), QString(), false))
        refreshActionTexts();
}

void Settings::on_formatDXFSplineSegmentsFromFile_stateChanged(int)
{
    control<QSpinBox>("dxfSplineSegments")
        ->setEnabled(!control<QCheckBox>("formatDXFSplineSegmentsFromFile")->isChecked());
}

QString Settings::selectedLanguage() const
{
    const QVariant data = control<QComboBox>("language")->currentData();
    return data.canConvert<QLocale>() ? data.toLocale().name() : QString();
}

void Settings::onAccepted()
{
    QSettings &s = *m_settings;
    const auto checked = [this](const char *name) { return control<QCheckBox>(name)->isChecked(); };

    // 1. The display unit.
    const int units = control<QComboBox>("units")->currentIndex();
    Store::setDisplayUnit(units);

    // 2. Did a display option change?
    const bool displayChanged = Store::DrawPoints.read(s) != checked("drawPoints")
                                || Store::ScalePoints.read(s) != checked("scalePoints")
                                || Store::DrawDirectionArrows.read(s) != checked("drawArrows")
                                || Store::ScaleLine.read(s) != checked("scaleLine");

    // 3. Everything, in the store's order; the in-memory options follow.
    Store::FormatOptions options = Store::formatOptions();
    Store::Units.write(s, units);
    const QString language = selectedLanguage();
    if (!language.isEmpty())
        s.setValue(QStringLiteral("Main/Language"), language);

    options.duplicateNonClosed = checked("duplicateNonClosed");
    options.closedPrecision = control<QDoubleSpinBox>("closedPrecision")->value();
    Store::DuplicateNonClosed.write(s, options.duplicateNonClosed);
    Store::ClosedPrecision.write(s, options.closedPrecision);
    Store::WarnNonClosed.write(s, checked("warnNonClosed"));
    Store::DrawPoints.write(s, checked("drawPoints"));
    Store::ScalePoints.write(s, checked("scalePoints"));
    Store::ScaleLine.write(s, checked("scaleLine"));
    Store::DrawDirectionArrows.write(s, checked("drawArrows"));

    Store::AskBeforeClosing.write(s, checked("askBeforeClosing"));
    Store::WarnWhenMultipleObjects.write(s, checked("warnMultipleObjects"));
    Store::DefaultSavePath.write(s, control<QLineEdit>("defaultSavePath")->text());

    Store::writePosition(s, Store::MoveDrawingGroup, m_moveSpec);
    Store::writePosition(s, Store::StartPointGroup, m_startSpec);
    Store::writePosition(s, Store::AnchorGroup, m_anchorSpec);

    Store::ActionSaveAsPath.write(s, control<QLineEdit>("saveAsPath")->text());
    Store::ActionMoveDrawing.write(s, checked("moveDrawing"));
    Store::ActionSetStartPoint.write(s, checked("setStart"));
    Store::ActionAutoJoin.write(s, checked("autoJoin"));
    Store::ActionSaveAs.write(s, checked("saveAs"));
    Store::ActionExitApplication.write(s, checked("exitApp"));
    Store::ActionSetAnchor.write(s, checked("setAnchor"));
    Store::ActionAutoJoinCmdOnly.write(s, checked("autoJoinCmdOnly"));
    Store::ActionSaveAsCmdOnly.write(s, checked("saveAsCmdOnly"));
    Store::ActionExitApplicationCmdOnly.write(s, checked("exitAppCmdOnly"));

    options.hpglUnits = control<QSpinBox>("hpglUnits")->value();
    options.hpglAutoWeld = checked("hpglAutoWeld");
    Store::HpglUnits.write(s, options.hpglUnits);
    Store::HpglAutoWeld.write(s, options.hpglAutoWeld);

    options.gcodeInit = control<QPlainTextEdit>("gcodeInit")->toPlainText();
    options.gcodeFinish = control<QPlainTextEdit>("gcodeFinish")->toPlainText();
    m_axisX = axisFrom(control<QLineEdit>("axisX")->text(), m_axisX);
    m_axisY = axisFrom(control<QLineEdit>("axisY")->text(), m_axisY);
    options.gcodeAxisX = m_axisX;
    options.gcodeAxisY = m_axisY;
    options.gcodeUnits = control<QComboBox>("gcodeUnits")->currentIndex();
    Store::GCodeInit.write(s, options.gcodeInit);
    Store::GCodeFinish.write(s, options.gcodeFinish);
    Store::GCodeAxisMappingX.write(s, QString(m_axisX));
    Store::GCodeAxisMappingY.write(s, QString(m_axisY));
    Store::GCodeUnits.write(s, options.gcodeUnits);

    options.dxfSplineSegments = control<QSpinBox>("dxfSplineSegments")->value();
    options.dxfSplineSegmentsFromFile = checked("formatDXFSplineSegmentsFromFile");
    options.dxfAutoWeld = control<QGroupBox>("dxfAutoWeld")->isChecked();
    options.dxfAutoWeldPrecision = control<QDoubleSpinBox>("dxfAutoWeldPrecision")->value();
    options.dxfIgnoreClosedFlag = checked("dxfIgnoreClosedFlag");
    options.dxfExpandBlocks = checked("dxfExpandBlocks");
    options.dxfMaxPoints = control<QSpinBox>("dxfMaxPoints")->value();
    Store::DxfSplineSegments.write(s, options.dxfSplineSegments);
    Store::DxfSplineSegmentsFromFile.write(s, options.dxfSplineSegmentsFromFile);
    Store::DxfAutoWeld.write(s, options.dxfAutoWeld);
    Store::DxfAutoWeldPrecision.write(s, options.dxfAutoWeldPrecision);
    Store::DxfIgnoreClosedFlag.write(s, options.dxfIgnoreClosedFlag);
    Store::DxfExpandBlocks.write(s, options.dxfExpandBlocks);
    Store::DxfMaxPoints.write(s, options.dxfMaxPoints);
    Store::setFormatOptions(options);

    Store::BaseUrl.write(s, control<QLineEdit>("baseUrl")->text().trimmed());
    Store::UpdateUrl.write(s, control<QLineEdit>("updateUrl")->text().trimmed());
    s.sync();
    m_writeFailed = s.status() != QSettings::NoError;
    if (m_writeFailed)
        qWarning("Settings: cannot write \"%s\"", qUtf8Printable(s.fileName()));

    // 4.
    if (displayChanged)
        emit updateDrawing();
}

void Settings::onRejected()
{
    const QString stored = m_settings->value(QStringLiteral("Main/Language"), Store::defaultLanguage()).toString();
    if (selectedLanguage() != stored)
        installLanguage(QLocale(stored));
}

} // namespace kerfloom
