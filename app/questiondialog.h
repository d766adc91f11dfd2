#pragma once

#include "app/prompts.h"

#include <QDialog>

// A frameless white question box with Yes (default), No and, when asked
// for, Cancel. Closing it without a button counts as Cancel.
class QuestionDialog : public QDialog
{
    Q_OBJECT
public:
    QuestionDialog(QWidget *parent, const QString &title, const QString &text, bool withCancel);
    prompts::Answer answer() const { return m_answer; }

    static prompts::Answer ask(QWidget *parent, const QString &title, const QString &text,
                               bool withCancel);

private:
    prompts::Answer m_answer = prompts::Cancel;
};
