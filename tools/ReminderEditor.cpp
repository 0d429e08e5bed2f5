#include "tools/ReminderEditor.h"

#include <QComboBox>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Dialogs.h"

namespace tools {
namespace {

const QString kTitle = QStringLiteral("提示");

enum Column { kDateColumn, kTimeColumn, kTextColumn, kStateColumn, kColumns };

QString StateText(const Reminder& row) {
  if (IsDaily(row)) return QStringLiteral("每天提醒");
  if (row.tagshow == kShownOnce) return QStringLiteral("已提醒");
  return QStringLiteral("等待提醒");
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

QLineEdit* NumberField(const QString& placeholder) {
  auto* field = new QLineEdit;
  field->setPlaceholderText(placeholder);
  field->setMaxLength(2);
  field->setFixedWidth(48);
  return field;
}

}  // namespace

ReminderEditor::ReminderEditor(DatabaseSource database, ReminderClock clock, QWidget* parent)
    : QWidget(parent, Qt::Window), database_(std::move(database)), clock_(std::move(clock)) {
  setWindowTitle(QStringLiteral("事件提醒"));
  resize(520, 400);
  list_ = new QTableWidget(0, kColumns);
  list_->setHorizontalHeaderLabels({QStringLiteral("日期"), QStringLiteral("时间"),
                                    QStringLiteral("提醒内容"), QStringLiteral("状态")});
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setSectionResizeMode(kTextColumn, QHeaderView::Stretch);
  connect(list_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { FillFields(row); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(BuildFields());
  layout->addWidget(BuildButtons());
  Reload();
}

QWidget* ReminderEditor::BuildFields() {
  auto* box = new QWidget;
  auto* form = new QFormLayout(box);
  date_ = new QComboBox;
  date_->setEditable(true);
  date_->addItem(QString::fromUtf8(kDailyWord));
  date_->setEditText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
  date_->setToolTip(QStringLiteral("日期，例如 2024-03-05；每天提醒请选“每天”"));
  form->addRow(QStringLiteral("日期:"), date_);
  hour_ = NumberField(QStringLiteral("时"));
  minute_ = NumberField(QStringLiteral("分"));
  auto* time = new QHBoxLayout;
  time->addWidget(hour_);
  time->addWidget(new QLabel(QStringLiteral(":")));
  time->addWidget(minute_);
  time->addStretch(1);
  form->addRow(QStringLiteral("时间:"), time);
  text_ = new QLineEdit;
  text_->setPlaceholderText(QStringLiteral("提醒的内容"));
  form->addRow(QStringLiteral("内容:"), text_);
  return box;
}

QWidget* ReminderEditor::BuildButtons() {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  add_ = new QPushButton(QStringLiteral("新增"));
  edit_ = new QPushButton(QStringLiteral("修改"));
  delete_ = new QPushButton(QStringLiteral("删除"));
  auto* close = new QPushButton(QStringLiteral("关闭"));
  connect(add_, &QPushButton::clicked, this, &ReminderEditor::AddClick);
  connect(edit_, &QPushButton::clicked, this, &ReminderEditor::EditClick);
  connect(delete_, &QPushButton::clicked, this, &ReminderEditor::DeleteClick);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  row->addStretch(1);
  for (QPushButton* button : {add_, edit_, delete_, close})
    row->addWidget(button);
  return box;
}

store::Database* ReminderEditor::OpenDatabase() {
  store::Database* database = database_ ? database_() : nullptr;
  if (!database) Tell(QStringLiteral("工具数据库没有打开，无法读写事件提醒！"));
  return database;
}

void ReminderEditor::Tell(const QString& text) {
  platform::Inform(this, kTitle, text);
}

void ReminderEditor::Reload() {
  store::Database* database = database_ ? database_() : nullptr;
  std::string error;
  rows_.clear();
  if (database && !ListReminders(*database, &rows_, &error)) Tell(QString::fromStdString(error));
  const QSignalBlocker quiet(list_);
  list_->setRowCount(0);
  for (const Reminder& row : rows_) {
    const int at = list_->rowCount();
    list_->insertRow(at);
    ReminderForm form;
    const bool readable = FormOfReminder(row, &form);
    list_->setItem(at, kDateColumn,
                   Cell(readable ? QString::fromStdString(DateText(form)) : QStringLiteral("?")));
    list_->setItem(at, kTimeColumn, Cell(QString::fromStdString(row.timeH + ":" + row.timeM)));
    QTableWidgetItem* text = Cell(QString::fromStdString(row.content));
    text->setToolTip(text->text());  // the column cuts long texts short
    list_->setItem(at, kTextColumn, text);
    list_->setItem(at, kStateColumn, Cell(StateText(row)));
  }
}

void ReminderEditor::FillFields(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  ReminderForm form;
  if (!FormOfReminder(rows_[row], &form)) return;
  date_->setEditText(QString::fromStdString(DateText(form)));
  hour_->setText(QString::number(form.when.hour));
  minute_->setText(QStringLiteral("%1").arg(form.when.minute, 2, 10, QLatin1Char('0')));
  text_->setText(QString::fromStdString(form.content));
}

bool ReminderEditor::ReadFields(ReminderForm* form) {
  const FormOutcome outcome =
      ReadReminderForm(date_->currentText().toStdString(), hour_->text().toStdString(),
                       minute_->text().toStdString(), text_->text().toStdString(), clock_(), form);
  if (outcome == FormOutcome::Ok) return true;
  Tell(QString::fromUtf8(FormOutcomeText(outcome)));
  QWidget* faulty = date_;
  if (outcome == FormOutcome::BadHour) faulty = hour_;
  if (outcome == FormOutcome::BadMinute) faulty = minute_;
  if (outcome == FormOutcome::EmptyText) faulty = text_;
  faulty->setFocus();
  return false;
}

bool ReminderEditor::ChosenId(std::int64_t* id) {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !list_->item(row, 0)->isSelected()) {
    Tell(QStringLiteral("请先在列表中选择一条提醒！"));
    return false;
  }
  *id = rows_[row].id;
  return true;
}

void ReminderEditor::SelectId(std::int64_t id) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id == id) list_->selectRow(static_cast<int>(i));
  }
}

void ReminderEditor::AddClick() {
  ReminderForm form;
  store::Database* database = nullptr;
  if (!ReadFields(&form) || !(database = OpenDatabase())) return;
  std::int64_t id = 0;
  std::string error;
  if (!AddReminder(*database, form, &id, &error)) return Tell(QString::fromStdString(error));
  Reload();
  SelectId(id);
}

void ReminderEditor::EditClick() {
  std::int64_t id = 0;
  ReminderForm form;
  store::Database* database = nullptr;
  if (!ChosenId(&id) || !ReadFields(&form) || !(database = OpenDatabase())) return;
  std::string error;
  if (!UpdateReminder(*database, id, form, &error)) Tell(QString::fromStdString(error));
  Reload();
  SelectId(id);
}

void ReminderEditor::DeleteClick() {
  std::int64_t id = 0;
  store::Database* database = nullptr;
  if (!ChosenId(&id) ||
      !platform::ConfirmOkCancel(this, kTitle, QStringLiteral("确定要删除选中的提醒吗？")) ||
      !(database = OpenDatabase()))
    return;
  std::string error;
  if (!DeleteReminder(*database, id, &error)) Tell(QString::fromStdString(error));
  Reload();
}

}  // namespace tools
