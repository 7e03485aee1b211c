// The About page: the product's name, version and description and the
// maker's contact lines, as transparent labels on a plain page. Labels
// anchored to the right or bottom keep their distance from that edge when
// the page is resized.
#pragma once

#include <QWidget>
#include <vector>

#include "platform/Control.h"
#include "platform/qt/ControlWidget.h"
#include "status/StyledLabel.h"

namespace morvel {

// The maker's details shown on the page.
struct MakerDetails {
  static constexpr const char* kName = "Pellam Software Ltd";
  static constexpr const char* kWebAddress = "https://www.pellam.example";
  // The address as the label shows it: the full address does not fit the
  // label's place in the layout.
  static constexpr const char* kWebCaption = "www.pellam.example";
  static constexpr const char* kPhone = "+44 1632 960000";
  static constexpr const char* kEmail = "info@pellam.example";
  static constexpr const char* kAddress[4] = {"Pellam House", "1 Example Street", "Sometown",
                                              "AB1 2CD"};
};

enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

class AboutPageControl : public Control {
 public:
  // The size the labels' positions are given for.
  static constexpr int kDesignWidth = 489;
  static constexpr int kDesignHeight = 262;

  AboutPageControl();
  void paint(Canvas& canvas, const Rect& dirty) override;
  // Keeps the child's present distances to the anchored edges of a page of
  // the design size.
  void anchor(Control& child, unsigned anchors);

 protected:
  void resized() override;

 private:
  struct Anchored {
    Control* control;
    unsigned anchors;
    int rightGap;
    int bottomGap;
  };
  std::vector<Anchored> anchored_;
};

// The page widget with every label of the About page on it. The labels are
// reached by name for the window's tests.
class AboutPage : public ControlWidget {
 public:
  explicit AboutPage(QWidget* parent);

  StyledLabel* label(const char* name) const;
  URLLabel& urlPellam() const { return *url_; }

 private:
  StyledLabel& addLabel(std::unique_ptr<StyledLabel> label, const char* name);
  URLLabel* url_ = nullptr;
};

}  // namespace morvel
