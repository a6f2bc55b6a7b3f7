// The page widget: a page picture drawn at its natural size from the top-left corner.
#pragma once

#include <QImage>
#include <QWidget>

#include "Metafile.h"

// Draws the metafile as vectors at the screen's pixel ratio and keeps the drawn page, so that
// scrolling and exposing the window do not play the records again. Its accessible description
// is the text of the page's text records in drawing order, then the trailing description.
class TPageImage : public QWidget {
  Q_OBJECT

 public:
  explicit TPageImage(QWidget* Parent = nullptr);

  // The picture; the view zooms by changing its physical size, then calls PictureChanged.
  TMetafile& Picture() { return FPicture; }
  void SetPicture(const TMetafile& Picture);
  void ClearPicture();
  // The drawn page is stale: the picture or its size changed.
  void PictureChanged();
  // Read after the page's text in the accessible description (the options and their states).
  // The description is read when asked for: its changes raise no events of their own, the
  // window tells a screen reader of a new page once.
  void SetTrailingDescription(const QString& Text);
  QString Description() const;
  // The accessible name, read when asked for as well.
  void SetTitle(const QString& Text) { FTitle = Text; }
  const QString& Title() const { return FTitle; }
  // Where a screen reader finds the description: after the title in the name (the default: the
  // student's window gives the page the focus, and the name is what is spoken then), or as the
  // accessible description of a page named by its title alone (a page that never takes the focus).
  void SetDescriptionInName(bool InName) { FDescriptionInName = InName; }
  bool DescriptionInName() const { return FDescriptionInName; }
  // How many times the records were played (the kept page spares the others).
  int PlayCount() const { return FPlayCount; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void UpdateDescription();
  // Whether the page covers the whole widget, so that nothing behind it need be painted.
  void UpdateOpaque();

  TMetafile FPicture;
  // The page at FDrawnSize unless stale, drawn in FBuffer, which serves the pages after it.
  QImage FBuffer;
  QImage FDrawn;
  bool FStale = true;
  QSize FDrawnSize;
  qreal FDrawnRatio = 0;
  int FPlayCount = 0;
  QString FTitle;
  bool FDescriptionInName = true;
  QString FPageText;
  QString FTrailingDescription;
};
