#include "ui/getpointdialog.h"

#include "core/units.h"
#include "formats/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

std::function<bool(GetPointDialog &)> getPointRunner;

// ---- AnchorWidget -----------------------------------------------------------

AnchorWidget::AnchorWidget(QWidget *parent) : QWidget(parent)
{
    setFixedSize(48, 48);
    setMouseTracking(true);
}

void AnchorWidget::setSelectedIndex(int index)
{
    m_selected = index;
    update();
}

int AnchorWidget::hitTest(QPoint pos)
{
    const int column = std::max(0, int(std::floor((pos.x() - 4) / 15.0)));
    const int row = std::max(0, int(std::floor((pos.y() - 4) / 15.0)));
    return column + 1 + 3 * row;
}

void AnchorWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(10, 10, 29, 29);
    static const int at[3] = {7, 22, 37};
    for (int i = 1; i <= 9; ++i) {
        const int x = at[(i - 1) % 3], y = at[(i - 1) / 3];
        p.eraseRect(x, y, 6, 6);
        if (i == m_selected) {
            p.fillRect(x - 3, y - 3, 13, 13, QColor(51, 153, 255));
            p.setPen(Qt::white);
            p.drawRect(x - 3, y - 3, 12, 12);
        } else if (i == m_hovered) {
            p.fillRect(x - 3, y - 3, 13, 13, Qt::white);
            p.setPen(Qt::black);
            p.drawRect(x - 3, y - 3, 12, 12);
        } else {
            p.setPen(Qt::black);
            p.drawRect(x, y, 5, 5);
        }
    }
    if (!isEnabled()) {
        p.setOpacity(0.7);
        p.fillRect(rect(), palette().window());
    }
}

void AnchorWidget::mouseMoveEvent(QMouseEvent *event)
{
    m_hovered = hitTest(event->pos());
    update();
}

void AnchorWidget::mousePressEvent(QMouseEvent *event)
{
    m_selected = hitTest(event->pos());
    update();
}

void AnchorWidget::leaveEvent(QEvent *)
{
    m_hovered = 0;
    update();
}

// ---- GetPointDialog ---------------------------------------------------------

namespace {
QDoubleSpinBox *makeSpinBox(QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setDecimals(5);
    box->setRange(-100000000, 100000000);
    box->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    box->setSuffix(units::suffix(Settings::displayUnit()));
    return box;
}
} // namespace

GetPointDialog::GetPointDialog(QWidget *parent, const QString &title, bool moveMode)
    : QDialog(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(title);
    resize(236, 209);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 18, 18, 15);
    auto *grid = new QGridLayout;
    grid->setSpacing(8);
    m_x = makeSpinBox(this);
    m_y = makeSpinBox(this);
    m_relative = new QCheckBox(tr("Relative to drawing: "), this);
    m_relative->setObjectName(QStringLiteral("relative"));
    m_anchor = new AnchorWidget(this);
    grid->addWidget(new QLabel(tr("X: "), this), 0, 0);
    grid->addWidget(m_x, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Y:"), this), 1, 0);
    grid->addWidget(m_y, 1, 1, 1, 2);
    grid->addItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding), 2, 0);
    grid->addWidget(m_relative, 3, 0, 1, 2);
    grid->addWidget(m_anchor, 3, 2);
    grid->addItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding), 4, 0);
    outer->addLayout(grid);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    outer->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_relative, &QCheckBox::stateChanged, this, &GetPointDialog::on_relative_stateChanged);
    if (moveMode) {
        m_anchor->hide();
        m_relative->setText(tr("Relative"));
        setFixedHeight(180);
    }
    on_relative_stateChanged(m_relative->checkState());
}

void GetPointDialog::on_relative_stateChanged(int state)
{
    m_anchor->setEnabled(state == Qt::Checked);
}

void GetPointDialog::setSpec(const PositionSpec &spec)
{
    m_x->setValue(units::toDisplay(spec.x));
    m_y->setValue(units::toDisplay(spec.y));
    m_relative->setChecked(spec.useAnchor);
    m_anchor->setSelectedIndex(spec.anchorIndex);
    on_relative_stateChanged(m_relative->checkState());
}

PositionSpec GetPointDialog::spec() const
{
    PositionSpec s;
    s.x = units::fromDisplay(m_x->value());
    s.y = units::fromDisplay(m_y->value());
    s.useAnchor = m_relative->isChecked();
    s.anchorIndex = m_anchor->selectedIndex();
    return s;
}

bool getPoint(QWidget *parent, PositionSpec *spec, const QString &title, bool moveMode)
{
    if (!spec)
        return false;
    GetPointDialog dialog(parent, title, moveMode);
    dialog.setSpec(*spec);
    const bool ok = getPointRunner ? getPointRunner(dialog) : dialog.exec() == QDialog::Accepted;
    if (ok)
        *spec = dialog.spec();
    return ok;
}

bool askPosition(QWidget *parent, PositionSpec *spec, const QString &title, const QString &group,
                 bool moveMode)
{
    if (!spec)
        return false;
    if (!group.isEmpty())
        *spec = Settings::readPosition(group.toLatin1().constData());
    return getPoint(parent, spec, title, moveMode);
}
