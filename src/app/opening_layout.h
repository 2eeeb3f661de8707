// The window's controls as the layout drew them at start, kept so that the
// window can return to that shape when another controller is attached.
#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

class OpeningLayout {
 public:
  // Each records the control as it is now, before anything reshaped it.
  void add(QComboBox& list);
  void add(QLineEdit& field);
  void add(QLabel& caption);
  void add(QPlainTextEdit& view);

  // Items, captions, hidden, grey and read-only states as recorded; the texts
  // of fields and views stay as they are.
  void restore() const;

 private:
  struct Shown {
    QWidget* widget;
    bool hidden;
    QPalette palette;
  };
  struct List {
    QComboBox* box;
    QStringList items;
  };
  struct Field {
    QLineEdit* field;
    bool readOnly;
  };
  struct Caption {
    QLabel* label;
    QString text;
  };

  void addShown(QWidget& widget);

  std::vector<Shown> shown_;
  std::vector<List> lists_;
  std::vector<Field> fields_;
  std::vector<Caption> captions_;
};
