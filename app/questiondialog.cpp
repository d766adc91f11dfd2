#include "app/questiondialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QuestionDialog::QuestionDialog(QWidget *parent, const QString &title, const QString &text,
                               bool withCancel)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(title);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto *icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/Kerfloom/Resources/appbar.question.png")));
    auto *titleLabel = new QLabel(title, this);
    QFont f = titleLabel->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    titleLabel->setFont(f);
    auto *textLabel = new QLabel(text, this);
    textLabel->setWordWrap(true);

    auto *texts = new QVBoxLayout;
    texts->addWidget(titleLabel);
    texts->addWidget(textLabel);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto add = [&](const QString &label, prompts::Answer a) {
        auto *b = new QPushButton(label, this);
        connect(b, &QPushButton::clicked, this, [this, a] {
            m_answer = a;
            accept();
        });
        buttons->addWidget(b);
        return b;
    };
    add(tr("&Yes"), prompts::Yes)->setDefault(true);
    add(tr("&No"), prompts::No);
    if (withCancel)
        add(tr("&Cancel"), prompts::Cancel);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 18, 18, 12);
    outer->addLayout(top);
    outer->addLayout(buttons);
}

prompts::Answer QuestionDialog::ask(QWidget *parent, const QString &title, const QString &text,
                                    bool withCancel)
{
    QuestionDialog d(parent, title, text, withCancel);
    d.exec();
    return d.answer();
}
