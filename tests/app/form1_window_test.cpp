// The main window as the toolkit builds it, checked offscreen.
#include <sys/socket.h>
#include <unistd.h>
#include <QFontInfo>
#include <QHelpEvent>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QtTest>
#include <memory>
#include <utility>

#include "app/form1.h"
#include "app/form1_design.h"
#include "platform/linux/linux_registry.h"
#include "platform/qt/embedded_pictures.h"
#include "platform/qt/form_start.h"
#include "platform/qt/qt_form_window.h"
#include "platform/qt/qt_toolkit.h"
#include "tests/fakes/mock_platform.h"
#include "tests/fakes/zoneinfo_tree.h"

using platform::ImageControl;
using platform::qt::QtFormWindow;

namespace {

const QString kListTip = QStringLiteral(
    "Double Click on any of the Places in the list to set your system time to the specified "
    "location for a temporary time.");
const QString kInfoTip = QStringLiteral(
    "Talvane v1.0 made by https://talvane.org. This application works only with Windows XP.");

std::string Format(const char* what, int button, int shift, float x, float y) {
  return QString("%1 %2 %3 %4,%5").arg(what).arg(button).arg(shift).arg(x).arg(y).toStdString();
}

// Records the events the window delivers, and checks what the window looks
// like while the load event runs.
class ObservingLoad : public platform::FormEvents {
 public:
  explicit ObservingLoad(QtFormWindow& form) : form_(form) {}
  void Form_Load() override {
    ++loads;
    visible_during_load = form_.isVisible();
    entries_during_load = form_.List1()->model()->rowCount();
    form_.List1_AddItem("Europe/Helsinki");
    form_.List1_AddItem("Asia/Tokyo");
  }
  void List1_DblClick() override { double_clicked_with.push_back(form_.List1_Text()); }
  void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y) override {
    mouse.push_back(Format("down", button, shift, x, y));
  }
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override {
    mouse.push_back(Format("move", button, shift, x, y));
  }
  void Form_MouseUp(std::int16_t button, std::int16_t shift, float x, float y) override {
    mouse.push_back(Format("up", button, shift, x, y));
  }
  void Image1_Click() override { mouse.push_back("Image1_Click"); }
  void Image2_Click() override { mouse.push_back("Image2_Click"); }

  std::vector<std::string> double_clicked_with;
  std::vector<std::string> mouse;
  int loads = 0;
  bool visible_during_load = false;
  int entries_during_load = -1;

 private:
  QtFormWindow& form_;
};

// Rights whose answer the test gives: the end of a connection.
class HeldRights : public platform::PendingRights {
 public:
  HeldRights() { socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends_); }
  ~HeldRights() override {
    close(ends_[0]);
    Answer();
  }
  int AnswerDescriptor() const override { return ends_[0]; }
  void Withdraw() override { withdrawn = true; }
  void Answer() { close(std::exchange(ends_[1], -1)); }

  bool withdrawn = false;

 private:
  int ends_[2];
};

}  // namespace

class Form1WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { platform::qt::LoadTahoma(); }
  void init() { form_ = std::make_unique<QtFormWindow>(app::Form1Design()); }
  void cleanup() { form_.reset(); }

  void windowIsAFixedFramelessRectangleWithCaptionAndIcon() {
    QVERIFY(form_->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form_->size(), QSize(325, 495));
    QCOMPARE(form_->minimumSize(), QSize(325, 495));
    QCOMPARE(form_->maximumSize(), QSize(325, 495));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Talvane"));
    QCOMPARE(app::ApplicationTitle(), std::string("Talvane v1.0"));
    QVERIFY(!form_->windowIcon().isNull());
  }

  void controlsSitAtTheirRectanglesInCreationOrder() {
    QCOMPARE(form_->List1()->geometry(), QRect(48, 80, 225, 288));
    QCOMPARE(form_->Image(ImageControl::Image1)->geometry(), QRect(256, 8, 24, 24));
    QCOMPARE(form_->Image(ImageControl::Image2)->geometry(), QRect(288, 8, 24, 24));
    QCOMPARE(form_->Image(ImageControl::Image3)->geometry(), QRect(128, 416, 65, 65));
    const QObjectList& children = form_->children();
    QList<QWidget*> order;
    for (QObject* child : children) {
      if (auto* w = qobject_cast<QWidget*>(child)) order << w;
    }
    QCOMPARE(order, (QList<QWidget*>{form_->List1(), form_->Image(ImageControl::Image3),
                                     form_->Image(ImageControl::Image2),
                                     form_->Image(ImageControl::Image1)}));
  }

  void tooltipsShowByPosition_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("tip");
    QTest::newRow("List1") << QPoint(150, 200) << kListTip;
    QTest::newRow("Image3") << QPoint(160, 448) << kInfoTip;
    QTest::newRow("Image2") << QPoint(300, 20) << QStringLiteral("Close");
    QTest::newRow("Image1") << QPoint(268, 20) << QStringLiteral("Minimize");
    QTest::newRow("bare skin") << QPoint(20, 450) << QString();
  }
  void tooltipsShowByPosition() {
    QFETCH(QPoint, point);
    QFETCH(QString, tip);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QToolTip::hideText();
    QWidget* target = form_->childAt(point);
    if (target == nullptr) target = form_.get();
    // Walk up as Qt does until a widget has a tooltip to show.
    for (QWidget* w = target; w != nullptr; w = w->parentWidget()) {
      if (!w->toolTip().isEmpty()) {
        QHelpEvent help(QEvent::ToolTip, w->mapFrom(form_.get(), point), form_->mapToGlobal(point));
        QApplication::sendEvent(w, &help);
        break;
      }
    }
    QTRY_COMPARE(QToolTip::text(), tip);
  }

  void listIsWhiteUnsortedSingleSelectionInTahoma() {
    QListView* list = form_->List1();
    QCOMPARE(list->palette().color(QPalette::Base), QColor(255, 255, 255));
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->model()->rowCount(), 0);
    for (const char* entry : {"Zulu", "Africa/Abidjan", "Mars"}) form_->List1_AddItem(entry);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Zulu"));
    QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("Mars"));

    const QFont font = list->font();
    QCOMPARE(font.family(), QStringLiteral("Tahoma"));
    QCOMPARE(font.pointSizeF(), 8.25);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    if (!QFile::exists("/usr/share/wine/fonts/tahoma.ttf")) QSKIP("no Tahoma font on this machine");
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(font).pixelSize(), 11);

    // Away from the entries the list is plain white.
    const QImage shot = list->grab().toImage();
    QCOMPARE(QColor(shot.pixel(shot.width() / 2, shot.height() - 10)), QColor(Qt::white));
  }

  void skinIsDrawnUnscaledAndShowsAroundTheGlyphs() {
    // The skin shown is the committed picture, pixel for pixel.
    const QImage skin = form_->Skin();
    QCOMPARE(skin, QImage(TALVANE_ASSETS_DIR "/skin.jpg").convertToFormat(skin.format()));
    QCOMPARE(skin.size(), QSize(325, 496));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QImage shot = form_->grab().toImage();
    QCOMPARE(shot.size(), QSize(325, 495));
    for (QPoint p :
         {QPoint(0, 0), QPoint(10, 10), QPoint(324, 494), QPoint(0, 494), QPoint(160, 440)}) {
      QCOMPARE(shot.pixel(p), skin.pixel(p));
    }
    // Corners of both glyphs are transparent: the skin shows through.
    for (QPoint p : {QPoint(256, 8), QPoint(279, 31), QPoint(256, 8 + 9), QPoint(288 + 23, 8),
                     QPoint(288, 8 + 23), QPoint(288 + 23, 8 + 23)}) {
      QCOMPARE(shot.pixel(p), skin.pixel(p));
    }
    // Where the glyphs are drawn they are not the skin.
    for (QPoint p : {QPoint(256 + 12, 8 + 12), QPoint(288 + 11, 8 + 11), QPoint(288 + 2, 8 + 2)}) {
      QVERIFY2(shot.pixel(p) != skin.pixel(p), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    }
  }

  // The pixels embedded at build time are what Qt makes of the committed
  // files, the icon's sizes as QIcon picks them (the deeper of two 16 x 16).
  void everyPictureAndIconSizeIsEmbeddedAsDecoded() {
    for (const char* glyph : {"minimise.gif", "close.gif"}) {
      const QList<QImage> embedded = platform::qt::EmbeddedPicture(std::string("assets/") + glyph);
      QCOMPARE(embedded.size(), 1);
      constexpr auto kShown = QImage::Format_ARGB32_Premultiplied;
      QCOMPARE(embedded[0].convertToFormat(kShown),
               QImage(QString(TALVANE_ASSETS_DIR "/") + glyph).convertToFormat(kShown));
    }
    const QIcon committed(TALVANE_ASSETS_DIR "/talvane.ico");
    QList<QSize> sizes;
    for (const QImage& image : platform::qt::EmbeddedPicture("assets/talvane.ico")) {
      sizes << image.size();
      QCOMPARE(image, committed.pixmap(image.size()).toImage().convertToFormat(image.format()));
    }
    QCOMPARE(sizes, (QList<QSize>{{16, 16}, {256, 256}, {128, 128}, {48, 48}, {32, 32}, {24, 24}}));
    QVERIFY(platform::qt::EmbeddedPicture("assets/none.gif").isEmpty());
    const QList<QSize> icon_sizes = form_->windowIcon().availableSizes();
    for (int edge : {16, 24, 32, 48, 128, 256})
      QVERIFY2(icon_sizes.contains(QSize(edge, edge)), qPrintable(QString::number(edge)));
  }

  void startShowsCentredWithTheListFocusedLoadingOnceNoRightsArePending_data() {
    QTest::addColumn<bool>("pending");
    QTest::addColumn<bool>("answered");
    QTest::newRow("none pending: loads while hidden") << false << false;
    QTest::newRow("pending: loads once answered") << true << true;
    QTest::newRow("pending: withdrawn when the window goes first") << true << false;
  }
  void startShowsCentredWithTheListFocusedLoadingOnceNoRightsArePending() {
    QFETCH(bool, pending);
    QFETCH(bool, answered);
    HeldRights rights;
    ObservingLoad load(*form_);
    auto start =
        std::make_unique<platform::qt::FormStart>(*form_, load, pending ? &rights : nullptr);
    QCOMPARE(load.loads, pending ? 0 : 1);
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    // Nothing opens an entry before the load.
    QTest::keyClick(form_->List1(), Qt::Key_Return);
    QCOMPARE(load.double_clicked_with.size(), pending ? 0u : 1u);
    if (answered) rights.Answer();
    QTRY_COMPARE(load.loads, pending && !answered ? 0 : 1);
    QCOMPARE(load.visible_during_load, pending && answered);
    QCOMPARE(load.entries_during_load, pending && !answered ? -1 : 0);
    start.reset();
    QCOMPARE(rights.withdrawn, pending && !answered);
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->isMinimized() && !form_->isMaximized());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(form_->pos(),
             QPoint((screen.width() - 325) / 2, (screen.height() - 495) / 2) + screen.topLeft());
    QCOMPARE(QApplication::focusWidget(), form_->List1());
  }

  void doubleClickOnAnEntrySelectsItThenDeliversTheEvent() {
    ObservingLoad load(*form_);
    platform::qt::FormStart start(*form_, load, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(form_->List1_Text(), std::string());
    QWidget* viewport = form_->List1()->viewport();
    const QPoint tokyo = form_->List1()->visualRect(form_->List1()->model()->index(1, 0)).center();
    // A double-click is a click followed by the double-click event.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, tokyo);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, tokyo);
    QCOMPARE(load.double_clicked_with, std::vector<std::string>{"Asia/Tokyo"});
    QTest::mouseDClick(viewport, Qt::RightButton, {}, tokyo);
    QCOMPARE(load.double_clicked_with.size(), 1u);
    // Return and Enter open the selected entry the same way; Space selects.
    for (auto key : {Qt::Key_Up, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
      QTest::keyClick(form_->List1(), key);
    QTest::keyClick(form_->List1(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(form_->List1(), Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(load.double_clicked_with,
             (std::vector<std::string>{"Asia/Tokyo", "Europe/Helsinki", "Europe/Helsinki",
                                       "Europe/Helsinki"}));
    // No key opens an entry for editing.
    QTest::keyClick(form_->List1(), Qt::Key_F2);
    QCOMPARE(form_->focusWidget(), form_->List1());
  }

  void messageBoxIsModalWithOnlyOkAndNoIconCaptionedWithTheTitle() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    bool inspected = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      inspected = true;
      QCOMPARE(box->windowTitle(), QStringLiteral("Talvane v1.0"));
      QCOMPARE(box->text(), QStringLiteral("Time Zone Changed, Click OK to restore"));
      QCOMPARE(box->icon(), QMessageBox::NoIcon);
      QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
      QVERIFY(box->button(QMessageBox::Ok)->icon().isNull());
      QVERIFY(box->isModal());
      box->button(QMessageBox::Ok)->click();
    });
    form_->MsgBox("Time Zone Changed, Click OK to restore");
    QVERIFY(inspected);
  }

  void mouseOnTheBareSkinReachesTheWindowAndOverAControlNever() {
    ObservingLoad events(*form_);
    platform::qt::FormStart start(*form_, events, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    for (QWidget* control : {static_cast<QWidget*>(form_->List1()->viewport()),
                             static_cast<QWidget*>(form_->Image(ImageControl::Image1)),
                             static_cast<QWidget*>(form_->Image(ImageControl::Image2)),
                             static_cast<QWidget*>(form_->Image(ImageControl::Image3))}) {
      QTest::mousePress(control, Qt::LeftButton, {}, QPoint(3, 3));
      QTest::mouseRelease(control, Qt::RightButton, {}, QPoint(3, 3));
    }
    QCOMPARE(events.mouse, std::vector<std::string>{});

    QTest::mousePress(form_.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 450));
    QMouseEvent drag(QEvent::MouseMove, QPointF(21, 451), form_->mapToGlobal(QPointF(21, 451)),
                     Qt::NoButton, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(form_.get(), &drag);
    QTest::mouseRelease(form_.get(), Qt::RightButton, Qt::ControlModifier, QPoint(21, 451));
    QCOMPARE(events.mouse, (std::vector<std::string>{"down 1 1 300,6750", "move 3 0 315,6765",
                                                     "up 2 2 315,6765"}));
  }

  void imageClicksReachTheirHandlersAndImage3HasNone() {
    ObservingLoad events(*form_);
    platform::qt::FormStart start(*form_, events, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QTest::mouseClick(form_->Image(ImageControl::Image3), Qt::LeftButton);
    QTest::mouseClick(form_->Image(ImageControl::Image1), Qt::RightButton);
    QTest::mouseClick(form_->Image(ImageControl::Image1), Qt::LeftButton);
    QTest::mouseClick(form_->Image(ImageControl::Image2), Qt::LeftButton);
    // A press that leaves the glyph before its release is no click.
    QTest::mousePress(form_->Image(ImageControl::Image2), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(form_->Image(ImageControl::Image2), Qt::LeftButton, {}, QPoint(40, 5));
    QCOMPARE(events.mouse, (std::vector<std::string>{"Image1_Click", "Image2_Click"}));
  }

  void windowStateOneMinimisesAndTheHandleFindsTheWindow() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(QWidget::find(static_cast<WId>(form_->hWnd())), form_.get());
    form_->SetWindowState(1);
    QTRY_VERIFY(form_->isMinimized());
  }

  void loadListsTheZonesOfTheDatabaseOrTheFailureEntry_data() {
    QTest::addColumn<bool>("may_change_setting");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("may change the setting")
        << true << QStringList{"Africa/Cairo", "America/Nuuk", "Europe/Dublin"};
    QTest::newRow("may not") << false << QStringList{"Could not open registry key"};
  }
  void loadListsTheZonesOfTheDatabaseOrTheFailureEntry() {
    QFETCH(bool, may_change_setting);
    QFETCH(QStringList, entries);
    fakes::ZoneinfoTree tree;
    tree.WriteTzdataZi({"Europe/Dublin", "America/Nuuk", "Africa/Cairo"});
    ::testing::NiceMock<fakes::MockToolkit> toolkit;
    platform::linux_tz::LinuxRegistry registry(
        tree.paths(), [=] { return may_change_setting; }, talvane::tz::SystemUtcClock());
    auto system = platform::MakeSystemServices(tree.paths());
    app::Form1 form(*form_, toolkit, registry, *system);

    form.Form_Load();
    QStringList listed;
    QAbstractItemModel* model = form_->List1()->model();
    for (int i = 0; i < model->rowCount(); ++i) listed << model->index(i, 0).data().toString();
    QCOMPARE(listed, entries);
  }

 private:
  std::unique_ptr<QtFormWindow> form_;
};

QTEST_MAIN(Form1WindowTest)
#include "form1_window_test.moc"
