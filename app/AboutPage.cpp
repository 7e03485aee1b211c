// The About page; see AboutPage.h.
#include "app/AboutPage.h"

#include <string>

namespace morvel {

AboutPageControl::AboutPageControl() {
  setBounds(Rect::fromSize(0, 0, kDesignWidth, kDesignHeight));
}

void AboutPageControl::paint(Canvas& canvas, const Rect&) {
  canvas.fillRect(clientRect(), color());
}

void AboutPageControl::anchor(Control& child, unsigned anchors) {
  const Rect& b = child.bounds();
  anchored_.push_back({&child, anchors, kDesignWidth - b.right, kDesignHeight - b.bottom});
}

void AboutPageControl::resized() {
  for (const Anchored& a : anchored_) {
    Rect b = a.control->bounds();
    const int w = b.width();
    const int h = b.height();
    if ((a.anchors & akRight) && !(a.anchors & akLeft)) b.left = width() - a.rightGap - w;
    if ((a.anchors & akBottom) && !(a.anchors & akTop)) b.top = height() - a.bottomGap - h;
    a.control->setBounds(Rect::fromSize(b.left, b.top, w, h));
  }
}

namespace {

struct LabelPlace {
  const char* name;
  std::string caption;
  Rect bounds;
  Font font;
  unsigned anchors = akLeft | akTop;
  Alignment alignment = taLeftJustify;
  bool wordWrap = false;
  bool autoSize = true;
  TextStyle style = tsNormal;
};

}  // namespace

AboutPage::AboutPage(QWidget* parent)
    : ControlWidget(std::make_unique<AboutPageControl>(), parent) {
  setObjectName("tsAboutPage");
  const Font times37 = Font::withHeight("Times New Roman", -37);
  const Font times19 = Font::withHeight("Times New Roman", -19);
  const Font sans13 = Font::withHeight("MS Sans Serif", -13);
  const unsigned rightBottom = akRight | akBottom;
  const unsigned leftBottom = akLeft | akBottom;
  // The right column is 20 pixels wider to the left than laid out (same
  // right edge): the installed stand-in for the layout's face is wider, and
  // "Pellam Software Ltd" would otherwise wrap.
  auto rightColumn = [](int top) { return Rect::fromSize(346, top, 131, 16); };
  const std::vector<LabelPlace> places = {
      {"lblProduct", "Morvel", Rect::fromSize(11, 7, 100, 42), times37},
      {"lblVersion", "Version " MORVEL_VERSION, Rect::fromSize(16, 50, 86, 21), times19},
      {"lblDescription",
       "This utility will read and display tabular information saved\r\nin csv files.\r\n"
       "It assumes that the first line defines the fieldnames, and\r\n"
       "that all dates are in short form (xx/xx/xx).",
       Rect::fromSize(17, 81, 451, 108), times19, akLeft | akTop, taLeftJustify, false, false},
      {"urlPellam", MakerDetails::kWebCaption, Rect::fromSize(264, 16, 213, 24),
       Font::withHeight("MS Sans Serif", -19, fsUnderline, clHighlight), akTop | akRight,
       taLeftJustify, false, true, tsRecessed},
      {"lblMaker", MakerDetails::kName, rightColumn(161), sans13, rightBottom, taRightJustify,
       true},
      {"lblAddress1", MakerDetails::kAddress[0], rightColumn(180), sans13, rightBottom,
       taRightJustify, true},
      {"lblAddress2", MakerDetails::kAddress[1], rightColumn(200), sans13, rightBottom,
       taRightJustify, true},
      {"lblAddress3", MakerDetails::kAddress[2], rightColumn(219), sans13, rightBottom,
       taRightJustify, true},
      {"lblAddress4", MakerDetails::kAddress[3], rightColumn(238), sans13, rightBottom,
       taRightJustify, true},
      {"lblPhone", std::string("Phone  - ") + MakerDetails::kPhone,
       Rect::fromSize(10, 220, 135, 16), sans13, leftBottom},
      {"lblEmail", std::string("eMail    - ") + MakerDetails::kEmail,
       Rect::fromSize(9, 237, 221, 16), sans13, leftBottom},
  };
  auto& page = controlAs<AboutPageControl>();
  for (const LabelPlace& place : places) {
    const bool isUrl = std::string_view(place.name) == "urlPellam";
    std::unique_ptr<StyledLabel> owned =
        isUrl ? std::make_unique<URLLabel>() : std::make_unique<StyledLabel>();
    StyledLabel& label = addLabel(std::move(owned), place.name);
    label.setAutoSize(place.autoSize);
    label.setAlignment(place.alignment);
    label.setWordWrap(place.wordWrap);
    label.setTransparent(true);
    label.setBlinkIntervalOff(100);
    label.setFrameSides(0);
    label.setTextStyle(place.style);
    label.setBounds(place.bounds);
    label.setFont(place.font);
    label.setCaption(place.caption);
    if (isUrl) {
      url_ = static_cast<URLLabel*>(&label);
      url_->setUrl(MakerDetails::kWebAddress);
    }
    page.anchor(label, place.anchors);
  }
}

StyledLabel& AboutPage::addLabel(std::unique_ptr<StyledLabel> label, const char* name) {
  StyledLabel& ref = *label;
  auto* widget = new ControlWidget(std::move(label), this);
  widget->setObjectName(name);
  return ref;
}

StyledLabel* AboutPage::label(const char* name) const {
  auto* widget = findChild<ControlWidget*>(name, Qt::FindDirectChildrenOnly);
  return widget ? &widget->controlAs<StyledLabel>() : nullptr;
}

}  // namespace morvel
