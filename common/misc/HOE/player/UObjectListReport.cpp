// The developers' report of every collectable object of the game ("ObjectList.htm" with the
// objects' pictures in "ObjectList/"), written after loading when the flag "ObjList" is set.
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGVarSeq.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"
#include "locations/UBaseLocation.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"

#include <algorithm>

namespace {

constexpr const char* CTableStart = "<table border=1 bordercolor=#000000 width=\"600\">";

std::string CleanCaption(std::string_view Text) {
  std::string S = ReplaceAll(Text, "#O#", "");
  if (S.size() >= 2 && S.front() == '$' && S.back() == '$') {
    S = S.substr(1, S.size() - 2);
  }
  return S;
}

std::string SubHeader(std::string_view Title) {
  return Format("<tr><td colspan=\"3\" bgcolor=\"#17365d\" height=\"80\"><font "
                "color=\"#FFFFFF\">%s</font></td></tr>",
                {Title}) +
         "\r\n";
}

// The graphic the object shows: an animation's first picture, descending through animations.
TGGraphic* ShownGraphic(TGGraphic* Graphic) {
  for (int Depth = 0; Depth < 16; ++Depth) {
    auto* Animation = TryObjectCast<TGAnimation>(Graphic);
    if (!Animation) {
      return Graphic;
    }
    TGGraphic* Inner = nullptr;
    for (int32_t I = 0; I < Animation->Count() && !Inner; ++I) {
      if (auto* Picture = TryObjectCast<TGLivePicture>(Animation->Channels(I))) {
        Inner = TryObjectCast<TGGraphic>(Picture->Gfx()->GetResValue(0));
      }
    }
    if (!Inner) {
      return Graphic;
    }
    Graphic = Inner;
  }
  return Graphic;
}

// An ID becomes a file name only when it cannot leave the report's folder.
bool SafeFileName(std::string_view ID) {
  return !ID.empty() && ID.find('/') == std::string_view::npos &&
         ID.find('\\') == std::string_view::npos && ID.find("..") == std::string_view::npos;
}

std::string PictureCell(TGameObject* Obj) {
  TGGraphic* Graphic = nullptr;
  try {
    Graphic = ShownGraphic(Obj->Gfx());
  } catch (const std::exception& E) {
    ODS("Object %s: no picture for the list (%s)", Obj->ID(), E.what());
  }
  if (auto* Sprite = TryObjectCast<TGSprite>(Graphic)) {
    if (!SafeFileName(Obj->ID())) {
      ODS("Object ID %s is no file name: its picture is not written", Obj->ID());
      return "<td>-</td>";
    }
    const std::string Path = "ObjectList/" + Obj->ID() + ".png";
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Sprite->SaveToBitmap(*Bitmap);
    Bitmap->SaveToFile(Path);
    return Format("<td><img src=\"%s\"/></td>", {"ObjectList\\" + Obj->ID() + ".png"});
  }
  if (Graphic) {
    return Format("<td>Animation:<br>%s</td>", {Graphic->URL()});
  }
  return "<td>-</td>";
}

std::string Row(TGameObject* Obj, int Number, bool WithGfxLine) {
  std::string R = "<tr>" + Format("<td width=\"80\">%d</td>", {int64_t{Number}}) + "<td>";
  if (!Obj->Clue().empty()) {
    R += Format("<font color=\"#2222fe\">%s</font> (%s)",
                {CleanCaption(Obj->Clue()), CleanCaption(Obj->Caption())});
  } else {
    R += Format("<b>%s</b>", {CleanCaption(Obj->Caption())});
  }
  if (Obj->IsTool()) {
    R += "<font color=\"#229922\"> (Tool)</font>";
  }
  if (SameText(Obj->LocationBehaviorName(), "Museum")) {
    R += "<font color=\"#fe2222\"> (Museum)</font>";
  }
  if (WithGfxLine) {
    R += Format("<br>%s:<br> %s", {Obj->ID(), Obj->GfxURL()});
  }
  R += "</td>" + PictureCell(Obj) + "</tr>\r\n";
  return R;
}

} // namespace

void TPlayer::GenerateObjectList() {
  ForceDirectories("ObjectList");
  std::string Html = "<html><style>\r\n"
                     "body{background:#fff; color:#000; margin:3px 8px; font-family:arial;}\r\n"
                     "table{border-collapse:collapse; text-align:center;}\r\n"
                     "</style><body>\r\n";
  std::vector<TGameObject*> Listed;
  for (int L = 0; L < LocationsList().Count(); ++L) {
    auto* Location = LocationsList().ObjectAs<TBaseLocation>(L);
    std::string Block = Format("<br><b>%s</b><br>", {ChangeFileExt(LocationsList()[L], "")});
    if (!Location->Name.empty()) {
      Block += " (" + Location->Name + ")";
    }
    Block += "\r\n" + std::string(CTableStart) + "\r\n";
    int Rows = 0;
    for (const bool Blue : {false, true}) {
      Block += SubHeader(Blue ? "Blue objects" : "Common objects");
      int Number = 0;
      TGameObjectCollection* Objects = Location->Objects();
      for (int I = 0; I < Objects->Count(); ++I) {
        TGameObject* Obj = Objects->ItemsReadOnly(I);
        if (Obj->PageMax() <= 0 || Obj->HiddenBy().empty() == Blue) {
          continue;
        }
        Block += Row(Obj, ++Number, false);
        Listed.push_back(Obj);
        ++Rows;
      }
    }
    Block += "</table>\r\n";
    if (Rows > 0) {
      Html += Block;
    }
  }
  std::stable_sort(Listed.begin(), Listed.end(),
                   [](TGameObject* A, TGameObject* B) { return A->GfxURL() < B->GfxURL(); });
  Html += "<table>\r\n" + Format("<br><b>%s</b><br>", {"Special for Gift"}) + "\r\n" + CTableStart +
          "\r\n";
  int Number = 0;
  for (TGameObject* Obj : Listed) {
    Html += Row(Obj, ++Number, true);
  }
  Html += "</table>\r\n</body></html>\r\n";
  WriteFile("ObjectList.htm", Html);
}
