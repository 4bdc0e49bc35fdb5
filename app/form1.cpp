#include "app/form1.h"

#include "app/texts.h"
#include "description/description.h"
#include "description/forms/frmdescript.h"
#include "help/aboutbox.h"
#include "help/formhelp.h"
#include "platform/forms/application.h"
#include "platform/forms/formatdialog.h"
#include "platform/forms/text.h"
#include "transfer/forms/form3.h"
#include "transfer/questions.h"
#include "transfer/readwritcomp.h"

namespace vornak {

using forms::FromAnsi;
using forms::FromPath;
using forms::TMenuItem;
using platform::Button;
using platform::DialogKind;

int PercentOf(int a, double p) {
  return static_cast<int>(static_cast<long double>(a) * static_cast<long double>(p) * 0.01L);
}

int ScaledScreenSize(int pixels, double factor) {
  return static_cast<int>(static_cast<long double>(pixels / 4) * static_cast<long double>(factor));
}

void OutputArea::AppendLine(const std::string& line) { memo_.Append(FromAnsi(line)); }

void OutputArea::ShowHeading(const std::string& caption) {
  heading_.SetCaption(FromAnsi(caption));
  heading_.show();
}

namespace {

// What a running save or restore reaches of the windows: the progress dialog,
// Memo3, the "Include Description" check mark, the message boxes, and the
// application's processing of window messages.
class WindowTransferHost final : public TransferHost {
 public:
  WindowTransferHost(TForm1& window, TForm3& progress) : window_(window), progress_(progress) {}

  void SetProgressRange(int maximum) override {
    progress_.ProgressBar1->SetMin(0);
    progress_.ProgressBar1->SetMax(maximum);
  }
  void SetProgressPosition(int position) override { progress_.ProgressBar1->SetPosition(position); }
  void SetPercentCaption(const std::string& caption) override {
    progress_.Label1->SetCaption(QString::fromStdString(caption));
  }
  void ShowProgress() override {
    progress_.Show();
    progress_.BtnCancel->setFocus();
  }
  void ClearOutput() override { window_.Memo3->Clear(); }
  void AppendOutput(const std::string& line) override { window_.Output().AppendLine(line); }
  bool IncludeDescription() override { return window_.IncludeDescription1->Checked(); }
  platform::Dialogs& Dialogs() override { return window_.Dialogs(); }
  void ProcessMessages() override {
    if (forms::Application != nullptr) forms::Application->ProcessMessages();
  }

 private:
  TForm1& window_;
  TForm3& progress_;
};

}  // namespace

TForm1::TForm1(const Services& services) : TForm("Form1"), services_(services) {
  SetCaption(kApplicationTitle);
  SetBorderStyle(forms::BorderStyle::Sizeable);
  SetPosition(forms::Position::ScreenCenter);
  SetWindowFont(forms::FontOf("MS Sans Serif", 13));
  CreateControls();
  CreateMenus();
  output_ = std::make_unique<OutputArea>(*Memo3, *LblDisplay);
  OnResize = [this] { FormResize(); };
  OnPaint = [this] { FormPaint(); };
  forms::Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  const QFont arial = forms::FontOf("Arial", 13);
  QWidget* client = Client();

  LblFileName = new forms::TLabel(client);
  LblFileName->setObjectName("LblFileName");
  LblFileName->setFont(arial);
  LblFileName->SetAutoSize(false);
  LblFileName->SetCaption(kSaveImageTo);

  EditFileName = new forms::TEdit(client);
  EditFileName->setObjectName("EditFileName");
  EditFileName->setFont(arial);
  EditFileName->OnChange = [this] { EditFileNameChange(); };
  EditFileName->OnExit = [this] { EditFileNameExit(); };
  EditFileName->OnKeyUp = [this](int key) { EditFileNameKeyUp(key); };

  BtnBrowse = new forms::TButton(client);
  BtnBrowse->setObjectName("BtnBrowse");
  BtnBrowse->setFont(arial);
  BtnBrowse->SetCaption(kBrowse);
  BtnBrowse->OnClick = [this] { BtnBrowseClick(); };

  Panel1 = new forms::TPanel(client);
  Panel1->setObjectName("Panel1");
  Panel1->SetBevels(forms::Bevel::Lowered, forms::Bevel::Lowered);

  ActionBox = new forms::TRadioGroup(Panel1);
  ActionBox->setObjectName("ActionBox");
  ActionBox->setFont(arial);
  ActionBox->SetCaption(kActionBoxCaption);
  ActionBox->AddItem(kSaveImageItem);
  ActionBox->AddItem(kRestoreImageItem);
  ActionBox->SetItemIndex(kSaveAction);
  ActionBox->setToolTip(kActionBoxHint);
  ActionBox->OnClick = [this] { ActionBoxClick(); };

  DriveBox = new forms::TRadioGroup(Panel1);
  DriveBox->setObjectName("DriveBox");
  DriveBox->setFont(arial);
  DriveBox->SetCaption(kDriveBoxCaption);
  DriveBox->setToolTip(kDriveBoxHint);
  DriveBox->OnClick = [this] { DriveBoxClick(); };

  BtnImage = new forms::TButton(client);
  BtnImage->setObjectName("BtnImage");
  BtnImage->setFont(arial);
  BtnImage->SetCaption(kBtnImageDesignCaption);
  BtnImage->OnClick = [this] { BtnImageClick(); };

  Memo3 = new forms::TMemo(client);
  Memo3->setObjectName("Memo3");
  Memo3->SetReadOnly(true);
  Memo3->SetWordWrap(false);
  Memo3->SetScrollBars(forms::ScrollBars::Both);
  Memo3->SetLines({QString()});

  LblDisplay = new forms::TLabel(client);
  LblDisplay->setObjectName("LblDisplay");
  LblDisplay->SetCaption(kDiskFilesHeading);
  LblDisplay->hide();
}

void TForm1::CreateMenus() {
  MainMenu1 = new forms::TMainMenu(this, "MainMenu1");
  auto item = [this](const char* name, const char* caption, forms::Event handler = nullptr) {
    auto* created = new TMenuItem(this, name, caption);
    created->OnClick = std::move(handler);
    return created;
  };

  File1 = item("File1", "&File");
  Open1 = &File1->Add(*item("Open1", "&Open...", [this] { Open1Click(); }));
  Save1 = &File1->Add(*item("Save1", "&Save  As...", [this] { Save1Click(); }));
  N2 = &File1->Add(*item("N2", "-"));
  ADrive1 = &File1->Add(*item("ADrive1", "&A: Drive", [this] { ADrive1Click(); }));
  BDrive1 = &File1->Add(*item("BDrive1", "&B: Drive", [this] { BDrive1Click(); }));
  N1 = &File1->Add(*item("N1", "-"));
  Quit1 = &File1->Add(*item("Quit1", "E&xit", [this] { Quit1Click(); }));
  ADrive1->SetChecked(true);

  Edit1 = item("Edit1", "&Edit");
  DisplayFiles1 = &Edit1->Add(*item("DisplayFiles1", "&Display Files"));
  FromDisk1 = &DisplayFiles1->Add(*item("FromDisk1", "From &Disk", [this] { FromDisk1Click(); }));
  FromImage1 = &DisplayFiles1->Add(*item("FromImage1", "From &Image", [this] { FromImage1Click(); }));
  N4 = &Edit1->Add(*item("N4", "-"));
  FormatA = &Edit1->Add(*item("FormatA", "Format  &A: ", [this] { FormatAClick(); }));
  FormatB = &Edit1->Add(*item("FormatB", "Format  &B:", [this] { FormatBClick(); }));
  FromImage1->SetEnabled(false);

  Options1 = item("Options1", "&Options");
  SaveImageofDriveA1 = &Options1->Add(*item("SaveImageofDriveA1", "&Save Image"));
  SaveFromA = &SaveImageofDriveA1->Add(*item("SaveFromA", "Save From &A:", [this] { SaveFromAClick(); }));
  SaveFromB = &SaveImageofDriveA1->Add(*item("SaveFromB", "Save From &B:", [this] { SaveFromBClick(); }));
  SaveImageofDriveB1 = &Options1->Add(*item("SaveImageofDriveB1", "&Restore Image"));
  RestoreToA =
      &SaveImageofDriveB1->Add(*item("RestoreToA", "Restore To &A:", [this] { RestoreToAClick(); }));
  RestoreToB =
      &SaveImageofDriveB1->Add(*item("RestoreToB", "Restore To &B:", [this] { RestoreToBClick(); }));
  IncludeDescription1 = &Options1->Add(
      *item("IncludeDescription1", "&Include Description", [this] { IncludeDescription1Click(); }));
  EditDescription1 = &Options1->Add(
      *item("EditDescription1", "Edit &Description", [this] { EditDescription1Click(); }));

  Help1 = item("Help1", "&Help");
  Help2 = &Help1->Add(*item("Help2", "&Help...", [this] { Help2Click(); }));
  About1 = &Help1->Add(*item("About1", "&About...", [this] { About1Click(); }));

  for (TMenuItem* menu : {File1, Edit1, Options1, Help1}) MainMenu1->Add(*menu);
  SetMainMenu(*MainMenu1);
}

// BtnBrowse, the panel (DriveBox, then ActionBox), BtnImage, EditFileName, Memo3.
void TForm1::SetTabOrder() {
  std::vector<QWidget*> chain{BtnBrowse};
  for (forms::TRadioGroup* group : {DriveBox, ActionBox}) {
    for (int i = 0; i < group->ItemCount(); ++i) chain.push_back(group->Button(i));
  }
  chain.insert(chain.end(), {BtnImage, EditFileName, Memo3});
  for (std::size_t i = 0; i + 1 < chain.size(); ++i) setTabOrder(chain[i], chain[i + 1]);
  BtnBrowse->setFocus();
}

void TForm1::FormCreate() {
  if (services_.drives.LogicalDriveMask() & 2u) {
    DriveBox->AddItem(kDriveAItem);
    DriveBox->AddItem(kDriveBItem);
  } else {
    DriveBox->AddItem(kDriveAItem);
    for (TMenuItem* item : {FormatB, SaveFromB, RestoreToB, BDrive1}) item->SetEnabled(false);
  }
  SetTabOrder();
  DriveBox->SetItemIndex(kDriveA);

  const QSize screen = services_.desktop.ScreenSize();
  SetOuterSize(ScaledScreenSize(screen.width(), 3.4), ScaledScreenSize(screen.height(), 2.4));
  EditFileName->setText(QString());
  BtnImage->SetCaption(kSelectionCaptions[kSaveAction][kDriveA].button);
}

void TForm1::LayoutControls() {
  const int W = OuterWidth();
  const int H = OuterHeight();
  auto P = PercentOf;

  EditFileName->setGeometry(P(W, 35), P(H, 6.9), P(W, 50.6), P(H, 6.9));
  BtnBrowse->setGeometry(P(W, 87.8), EditFileName->y(), P(W, 9.7), EditFileName->height());
  Memo3->setGeometry(P(W, 2.4), EditFileName->y(), P(W, 26.8), P(H, 57.7));
  Panel1->setGeometry(EditFileName->x(), P(H, 25.2), EditFileName->width(), P(H, 39.4));
  const int panelWidth = Panel1->width();
  const int panelHeight = Panel1->height();
  ActionBox->setGeometry(P(panelWidth, 7.1), P(panelHeight, 17.5), P(panelWidth, 38.2), P(panelHeight, 59));
  DriveBox->setGeometry(P(panelWidth, 64), ActionBox->y(), P(panelWidth, 26.4), ActionBox->height());
  BtnImage->setGeometry(P(W, 40.8), Panel1->y() + Panel1->height() + 15, P(W, 41), EditFileName->height());
  // The label's height keeps its caption clear of the box below it.
  LblFileName->setGeometry(EditFileName->x(), EditFileName->y() - P(H, 6), P(W, 34), P(H, 5));
  LblDisplay->move(Memo3->x(), LblFileName->y());
}

void TForm1::Quit1Click() {
  if (forms::Application != nullptr) forms::Application->Terminate();
}

void TForm1::Help2Click() {
  if (FormHelp != nullptr) FormHelp->ShowModal();
}

void TForm1::About1Click() {
  if (AboutBox != nullptr) AboutBox->ShowModal();
}

void TForm1::SetSelectionCaptions(bool byActionBox) {
  const int action = ActionBox->ItemIndex() == kRestoreAction ? kRestoreAction : kSaveAction;
  const int drive = DriveBox->ItemIndex() == kDriveB ? kDriveB : kDriveA;
  const SelectionCaptions& captions = kSelectionCaptions[action][drive];
  BtnImage->SetCaption(captions.button);
  // The progress dialog is created after this window: while the window is
  // being created there is no dialog to name yet.
  if (Form3 != nullptr) Form3->SetCaption(byActionBox ? captions.progressByActionBox : captions.progress);
}

void TForm1::ActionBoxClick() {
  LblFileName->SetCaption(ActionBox->ItemIndex() == kRestoreAction ? kRestoreImageFrom : kSaveImageTo);
  SetSelectionCaptions(true);
}

void TForm1::UpdateDriveSelection() {
  const bool driveA = DriveBox->ItemIndex() != kDriveB;
  ADrive1->SetChecked(driveA);
  BDrive1->SetChecked(!driveA);
  SetSelectionCaptions(false);
}

void TForm1::ADrive1Click() {
  DriveBox->SetItemIndex(kDriveA);
  ADrive1->SetChecked(true);
  BDrive1->SetChecked(false);
  UpdateDriveSelection();
}

void TForm1::BDrive1Click() {
  DriveBox->SetItemIndex(kDriveB);
  ADrive1->SetChecked(false);
  BDrive1->SetChecked(true);
  UpdateDriveSelection();
}

bool TForm1::CheckDiskInDrive(int driveNumber) {
  return vornak::CheckDiskInDrive(services_.drives, services_.dialogs, [this] { services_.desktop.Beep(); },
                                  driveNumber, DiskHeader);
}

Confirmation TForm1::ConfirmOperation(int action, const std::string& driveText) {
  std::string text;
  if (action == kSaveAction) {
    text = SaveConfirmationText(driveText, ImageFileName);
  } else {
    // Only a file can be opened: a folder of that name counts as missing.
    const std::optional<ImageHeader> header = ReadImageHeader(ImageFileName, services_.files);
    if (!header) {
      services_.dialogs.ShowMessage(std::string(kErrorOpeningFile) + ImageFileName);
      return Confirmation::Failed;
    }
    text = RestoreConfirmationText(ImageFileName, driveText, header->FormatNameText());
  }
  const Button answer = services_.dialogs.Ask(
      {DialogKind::Application, kApplicationTitle, text, {Button::Ok, Button::Cancel}});
  return answer == Button::Ok ? Confirmation::Ok : Confirmation::Cancel;
}

bool TForm1::ConfirmOverwrite() {
  return services_.dialogs.Ask({DialogKind::Warning, "", OverwriteQuestionText(), {Button::Yes, Button::No}}) ==
         Button::Yes;
}

void TForm1::EditFileNameChange() { ImageFileName = forms::ToPath(EditFileName->text()); }

void TForm1::EditFileNameKeyUp(int key) {
  if (key == forms::kKeyReturn) ApplyFileNameEntry();
}

void TForm1::BtnBrowseClick() {
  ChooseImageFile(ActionBox->ItemIndex() == kRestoreAction ? platform::FileDialogType::Open
                                                           : platform::FileDialogType::Save);
}

void TForm1::TakeExistingImage() {
  if (!platform::FileExists(ImageFileName, services_.files)) return;
  Memo3->Clear();
  ListImageFiles(ImageFileName, *output_, services_.dialogs, services_.files);
  ImageDescription = ReadDescription(ImageFileName, services_.files);
}

void TForm1::ApplyFileNameEntry() {
  if (EditFileName->text().isEmpty()) {
    FromImage1->SetEnabled(false);
    return;
  }
  AddDefaultExtension();
  FromImage1->SetEnabled(true);
  TakeExistingImage();
}

void TForm1::AddDefaultExtension() {
  const QString name = EditFileName->text();
  if (name.contains('.')) return;
  EditFileName->setText(name + "." + QString::fromLatin1(kDefaultExtension.data(), kDefaultExtension.size()));
  ImageFileName = forms::ToPath(EditFileName->text());
}

void TForm1::ChooseImageFile(platform::FileDialogType type) {
  platform::FileDialogRequest request;
  request.type = type;
  request.defaultExtension = std::string(kDefaultExtension);
  if (type == platform::FileDialogType::Save) {
    request.filter = kSaveDialogFilter;
    request.noReadOnlyReturn = true;
  } else {
    request.filter = kOpenDialogFilter;
  }
  if (std::optional<std::string> chosen = services_.dialogs.ChooseFile(request)) {
    EditFileName->setText(FromPath(*chosen));
  }
  ImageFileName = forms::ToPath(EditFileName->text());
  if (ImageFileName.empty()) {
    FromImage1->SetEnabled(false);
    return;
  }
  FromImage1->SetEnabled(true);
  TakeExistingImage();
}

void TForm1::FromImage1Click() {
  if (ImageFileName.empty()) return;
  Memo3->Clear();
  ListImageFiles(ImageFileName, *output_, services_.dialogs, services_.files);
}

void TForm1::ListDiskFiles() {
  Memo3->Clear();
  const std::optional<std::vector<platform::DiskEntry>> entries =
      services_.drives.ListRootDirectory(DriveBox->ItemIndex() == kDriveB ? kDriveB : kDriveA);
  if (!entries || entries->empty()) return;
  // The drive layer gives names in UTF-8, long names and short ones alike.
  for (const platform::DiskEntry& entry : *entries) {
    Memo3->Append(QString::fromStdString(platform::ListingLine(entry)));
  }
  output_->ShowHeading(kDiskFilesHeading);
}

void TForm1::FormatDrive(int driveIndex) {
  forms::TFormatDialog dialog(services_.drives, services_.dialogs, driveIndex);
  dialog.ShowModal();
}

void TForm1::IncludeDescription1Click() { IncludeDescription1->SetChecked(!IncludeDescription1->Checked()); }

void TForm1::EditDescription1Click() {
  if (!platform::FileExists(ImageFileName, services_.files)) return;
  const DescriptionAnswer answer = AskForDescription(ImageDescription);
  ImageDescription = answer.text;
  if (!answer.accepted) return;
  // One rewrite replaces the old block by the new one; when it fails the
  // file keeps its payload and its old description.
  if (Status replaced = ReplaceDescription(ImageFileName, ImageDescription, services_.files); !replaced) {
    services_.dialogs.ShowMessage(replaced.message());
  }
}

void TForm1::BtnImageClick() { RunOperation(ActionBox->ItemIndex(), DriveBox->ItemIndex()); }

void TForm1::RunOptionsCommand(int action, int driveIndex) {
  DriveBox->SetItemIndex(driveIndex);
  ActionBox->SetItemIndex(action);
  SetSelectionCaptions(false);
  RunOperation(action, driveIndex);
}

void TForm1::RunOperation(int action, int driveIndex) {
  if (!CheckDiskInDrive(driveIndex + 1)) return;
  if (ConfirmOperation(action, DriveText(driveIndex)) != Confirmation::Ok) return;
  // Only a file counts as existing: a folder of that name is no image to replace.
  if (action == kSaveAction && platform::FileExists(ImageFileName, services_.files) && !ConfirmOverwrite()) {
    return;
  }
  StartOperation();
}

void TForm1::SetLocked(bool locked) {
  BtnImage->setEnabled(!locked);
  BtnBrowse->setEnabled(!locked);
  for (TMenuItem* menu : {File1, Edit1, Options1, Help1}) menu->SetVisible(!locked);
}

void TForm1::StartOperation() {
  SetLocked(true);
  // The window comes back whatever the operation does, an exception included.
  struct Unlock {
    TForm1& window;
    ~Unlock() {
      if (Form3 != nullptr) Form3->Close();
      window.SetLocked(false);
    }
  } unlock{*this};
  if (forms::Application != nullptr) forms::Application->ProcessMessages();

  if (ImageFileName.empty()) {
    services_.dialogs.ShowMessage(std::string(kSelectFileNameFirst));
    return;
  }
  if (Form3 == nullptr) return;
  WindowTransferHost host(*this, *Form3);
  const int drive = DriveBox->ItemIndex();
  if (ActionBox->ItemIndex() == kSaveAction) {
    if (IncludeDescription1->Checked()) ImageDescription = AskForDescription(ImageDescription).text;
    SaveDiskImage(host, drive, DiskHeader, ImageFileName, ImageDescription, services_.files);
  } else {
    RestoreDiskImage(host, drive, DiskHeader, ImageFileName);
  }
}

}  // namespace vornak
