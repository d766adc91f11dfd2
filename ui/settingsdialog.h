#pragma once

#include "core/placement.h"

#include <QChar>
#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class KeyEventFilter;
class QCheckBox;
class QComboBox;
class QCompleter;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QSpinBox;
class QStackedWidget;

namespace kerfloom {

// The settings window: every user setting on three pages (General, Actions,
// Formats). A language picked in it shows at once; OK writes everything and
// replaces the in-memory options, Cancel takes the preview back.
// (In a namespace: the settings store already owns the name at file scope.)
class Settings : public QDialog
{
    Q_OBJECT
public:
    explicit Settings(QWidget *parent = nullptr);
    ~Settings() override;

    // The form's controls, by the names their slots use.
    template <typename T>
    T *control(const char *objectName) const;

    PositionSpec moveDrawingSpec() const { return m_moveSpec; }
    PositionSpec startPointSpec() const { return m_startSpec; }
    PositionSpec anchorSpec() const { return m_anchorSpec; }

    // "Move drawing to X: 10 Y: 0" and the like, for the three action boxes.
    static QString moveDrawingText(const PositionSpec &spec);
    static QString startPointText(const PositionSpec &spec);
    static QString anchorText(const PositionSpec &spec);

    // After OK: the settings file could not be written (a read-only or full
    // disk). The new values are in force until the program ends, but the
    // caller has to tell the user that they were not kept.
    bool writeFailed() const { return m_writeFailed; }

signals:
    // After OK, when any of the four drawing display options changed.
    void updateDrawing();

public slots:
    void on_listWidget_itemSelectionChanged();
    void on_formatList_itemSelectionChanged();
    void on_language_currentIndexChanged(int index);
    void on_pushButton_2_clicked();
    void on_autoJoin_stateChanged(int state);
    void on_saveAs_stateChanged(int state);
    void on_exitApp_stateChanged(int state);
    void on_moveDrawing_stateChanged(int state);
    void on_setStart_stateChanged(int state);
    void on_setAnchor_stateChanged(int state);
    void on_editMoveDrawing_clicked();
    void on_editSetStart_clicked();
    void on_editSetAnchor_clicked();
    void on_formatDXFSplineSegmentsFromFile_stateChanged(int state);
    void onAccepted();
    void onRejected();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildForm();
    QWidget *buildGeneralPage();
    QWidget *buildActionsPage();
    QWidget *buildFormatsPage();
    void fillLanguages();
    void load();
    void retranslateUi();
    void refreshActionTexts();
    QString selectedLanguage() const;
    // Texts are set through these, so that a language change can set them again.
    using Text = std::function<QString()>;
    void translated(const Text &text, std::function<void(const QString &)> apply);
    QCheckBox *check(QWidget *parent, const char *name, const Text &text);
    QLabel *label(QWidget *parent, const Text &text);
    QGroupBox *group(QWidget *parent, const char *name, const Text &title);

    std::vector<std::function<void()>> m_retranslate;

    std::unique_ptr<QSettings> m_settings;
    KeyEventFilter *m_keyFilter = nullptr;
    QCompleter *m_completer = nullptr;
    PositionSpec m_moveSpec;
    PositionSpec m_startSpec;
    PositionSpec m_anchorSpec;
    QChar m_axisX;
    QChar m_axisY;
    bool m_filling = false;
    bool m_writeFailed = false;
};

template <typename T>
T *Settings::control(const char *objectName) const
{
    return findChild<T *>(QLatin1String(objectName));
}

} // namespace kerfloom
