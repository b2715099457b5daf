#pragma once

#include "picture.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QScrollArea;

// Shows an item's whole text. Filled once, when it is opened.
class frmTextShow final : public QWidget
{
    Q_OBJECT
public:
    explicit frmTextShow(const QString& text, QWidget* parent = nullptr);
    QPlainTextEdit* Text1() const { return m_text1; }

private:
    QPlainTextEdit* m_text1;
};

// Shows an item's picture at its natural size (scrolled when larger than the screen).
class frmImageShow final : public QWidget
{
    Q_OBJECT
public:
    explicit frmImageShow(const Picture& picture, QWidget* parent = nullptr);
    QLabel* Picture1() const { return m_picture1; }

private:
    QLabel* m_picture1;
    QScrollArea* m_scroll;
};
