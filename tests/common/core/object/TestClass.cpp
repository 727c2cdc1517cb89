#include "object/UGClassBuilder.h"

#include <gtest/gtest.h>

namespace {

enum TShade { shLight, shDark, shDeep };

} // namespace

G_DECLARE_ENUM(TShade);
G_ENUM_INFO(TShade, "shLight", "shDark", "shDeep")

namespace {

class TBase : public TGObject {
  G_CLASS(TBase, TGObject)
  explicit TBase(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int32_t Count() const { return FCount; }
  void SetCount(int32_t V) { FCount = V; }
  std::string Describe() const { return "base"; }
  std::string Echo(const std::string& S, int32_t Times) {
    std::string Out;
    for (int I = 0; I < Times; ++I) {
      Out += S;
    }
    return Out;
  }

  static void Publish(TGClassBuilder<TBase>& B) {
    B.Property("Count", &TBase::Count, &TBase::SetCount)
        .Property("Label", &TBase::FLabel, &TBase::FLabel)
        .Method("Describe", &TBase::Describe)
        .Method("Echo", &TBase::Echo, {"S", "Times"});
  }

  int32_t FCount = 0;
  std::string FLabel;
};
G_IMPLEMENT_CLASS(TBase)

class TDerived : public TBase {
  G_CLASS(TDerived, TBase)
  explicit TDerived(TGObject* AOwner = nullptr)
      : TBase(AOwner) {}

  std::string Describe() const { return "derived"; }
  TShade Shade() const { return FShade; }
  void SetShade(TShade V) { FShade = V; }
  TGSet<TShade> Shades() const { return FShades; }
  void SetShades(TGSet<TShade> V) { FShades = V; }
  float Ratio() const { return 0.5f; }
  TBase* Partner() const { return FPartner; }
  void SetPartner(TBase* V) { FPartner = V; }
  uint8_t Small() const { return FSmall; }
  void SetSmall(uint8_t V) { FSmall = V; }
  bool Flag() const { return FFlag; }
  void SetFlag(bool V) { FFlag = V; }
  int32_t Sum(int32_t A, double B, bool C, TBase* D) {
    return A + static_cast<int32_t>(B) + (C ? 100 : 0) + (D ? 1000 : 0);
  }

  static void Publish(TGClassBuilder<TDerived>& B) {
    B.Property("Shade", &TDerived::Shade, &TDerived::SetShade)
        .Property("Shades", &TDerived::Shades, &TDerived::SetShades)
        .Property("Ratio", &TDerived::Ratio)
        .Property("Partner", &TDerived::Partner, &TDerived::SetPartner)
        .Property("Small", &TDerived::Small, &TDerived::SetSmall)
        .Property("Flag", &TDerived::Flag, &TDerived::SetFlag)
        .Method("Describe", &TDerived::Describe)
        .Method("Sum", &TDerived::Sum);
  }

  TShade FShade = shLight;
  TGSet<TShade> FShades;
  TBase* FPartner = nullptr;
  uint8_t FSmall = 0;
  bool FFlag = false;
};
G_IMPLEMENT_CLASS(TDerived)

// No Publish of its own: it must not repeat its parent's members.
class TQuiet : public TDerived {
  G_CLASS(TQuiet, TDerived)
  explicit TQuiet(TGObject* AOwner = nullptr)
      : TDerived(AOwner) {}
};
G_IMPLEMENT_CLASS(TQuiet)

class TAbstract : public TGObject {
  G_CLASS(TAbstract, TGObject)
  explicit TAbstract(TGObject* AOwner)
      : TGObject(AOwner) {}
  virtual void Pure() = 0;
};
G_IMPLEMENT_CLASS(TAbstract)

std::vector<std::string> Names(const std::vector<const TGPropInfo*>& Props) {
  std::vector<std::string> Out;
  for (const TGPropInfo* P : Props) {
    Out.push_back(P->Name);
  }
  return Out;
}

} // namespace

TEST(ClassFacility, NamesParentsAndMemberOrder) {
  TGClass C = TQuiet::StaticClass();
  EXPECT_EQ(C->Name, "TQuiet");
  EXPECT_EQ(C->Parent, TDerived::StaticClass());
  EXPECT_TRUE(C->InheritsFrom(TBase::StaticClass()));
  EXPECT_TRUE(C->InheritsFrom(TGObject::StaticClass()));
  EXPECT_FALSE(TBase::StaticClass()->InheritsFrom(TDerived::StaticClass()));
  EXPECT_EQ(Names(C->Properties()),
            (std::vector<std::string>{"Count", "Label", "Shade", "Shades", "Ratio", "Partner",
                                      "Small", "Flag"}));
  // Own methods first: the redeclared Describe is found before the parent's.
  std::vector<std::string> Methods;
  for (const TGMethodInfo* M : C->Methods()) {
    Methods.push_back(M->Name);
  }
  EXPECT_EQ(Methods, (std::vector<std::string>{"Describe", "Sum", "Describe", "Echo"}));
  TGObjectPtr<TGObject> Obj(C->CreateInstance(nullptr));
  EXPECT_EQ(C->FindMethod("Describe")->Call(*Obj, {}).ToString(), "derived");
  EXPECT_EQ(C->FindProperty("count"), nullptr); // names are case-sensitive
  EXPECT_EQ(Obj->ClassName(), "TQuiet");
  EXPECT_FALSE(TAbstract::StaticClass()->CanCreate());
  EXPECT_THROW(TAbstract::StaticClass()->CreateInstance(nullptr), EGException);
}

TEST(ClassFacility, PropertiesConvertToTheirTypes) {
  TGObjectPtr<TDerived> D(new TDerived());
  TGClass C = D->ClassType();
  C->FindProperty("Count")->Set(*D, TGVariant("42"));
  EXPECT_EQ(D->Count(), 42);
  C->FindProperty("Count")->Set(*D, TGVariant(2.5));
  EXPECT_EQ(D->Count(), 2); // halves round to even
  C->FindProperty("Label")->Set(*D, TGVariant(7));
  EXPECT_EQ(D->FLabel, "7");
  C->FindProperty("Flag")->Set(*D, TGVariant(true));
  EXPECT_TRUE(D->Flag());
  EXPECT_EQ(C->FindProperty("Flag")->Get(*D).VType(), varBoolean);

  const TGPropInfo* Shade = C->FindProperty("Shade");
  EXPECT_EQ(Shade->Type.Kind, TGTypeKind::Enumeration);
  Shade->Set(*D, TGVariant("SHDEEP"));
  EXPECT_EQ(D->Shade(), shDeep);
  Shade->Set(*D, TGVariant(1));
  EXPECT_EQ(D->Shade(), shDark);
  EXPECT_EQ(Shade->Get(*D).ToInteger(), 1);
  EXPECT_THROW(Shade->Set(*D, TGVariant(3)), EConvertError);
  EXPECT_THROW(Shade->Set(*D, TGVariant("shNone")), EConvertError);

  C->FindProperty("Shades")->Set(*D, TGVariant(5));
  EXPECT_TRUE(D->Shades().Contains(shLight));
  EXPECT_FALSE(D->Shades().Contains(shDark));
  EXPECT_TRUE(D->Shades().Contains(shDeep));

  EXPECT_TRUE(C->FindProperty("Ratio")->ReadOnly());
  EXPECT_FLOAT_EQ(C->FindProperty("Ratio")->Get(*D).ToSingle(), 0.5f);
  EXPECT_THROW(C->FindProperty("Small")->Set(*D, TGVariant(256)), EConvertError);
  EXPECT_THROW(C->FindProperty("Count")->Set(*D, TGVariant::Null()), EConvertError);
}

TEST(ClassFacility, ObjectPropertiesCheckTheClass) {
  TGObjectPtr<TDerived> D(new TDerived());
  TGObjectPtr<TBase> Partner(new TBase());
  TGObjectPtr<TGObject> Stranger(new TGObject());
  const TGPropInfo* P = D->ClassType()->FindProperty("Partner");
  EXPECT_EQ(P->Type.ObjectClass(), TBase::StaticClass());
  P->Set(*D, TGVariant(static_cast<TGObject*>(Partner.get())));
  EXPECT_EQ(D->Partner(), Partner.get());
  EXPECT_EQ(P->Get(*D).ToObject(), Partner.get());
  EXPECT_THROW(P->Set(*D, TGVariant(Stranger.get())), EInvalidCast);
  P->Set(*D, TGVariant());
  EXPECT_EQ(D->Partner(), nullptr);
}

TEST(ClassFacility, MethodsConvertArgumentsAndReportMismatches) {
  TGObjectPtr<TDerived> D(new TDerived());
  TGObjectPtr<TBase> Other(new TBase());
  const TGMethodInfo* Sum = D->ClassType()->FindMethod("Sum");
  ASSERT_EQ(Sum->Params.size(), 4u);
  EXPECT_EQ(Sum->Params[3].Type.Kind, TGTypeKind::Object);
  std::vector<TGVariant> Args{TGVariant("2"), TGVariant(3.7), TGVariant(true),
                              TGVariant(static_cast<TGObject*>(Other.get()))};
  EXPECT_EQ(Sum->Call(*D, Args).ToInteger(), 2 + 3 + 100 + 1000);
  // Missing arguments are empty: 0, false, none.
  EXPECT_EQ(Sum->Call(*D, std::vector<TGVariant>{TGVariant(1)}).ToInteger(), 1);
  TGObjectPtr<TGObject> Stranger(new TGObject());
  std::vector<TGVariant> Wrong{TGVariant(1), TGVariant(1), TGVariant(false),
                               TGVariant(Stranger.get())};
  try {
    Sum->Call(*D, Wrong);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Type mismatch in parameter 4 for method Sum");
  }
  std::vector<TGVariant> Bad{TGVariant("abc")};
  EXPECT_THROW(Sum->Call(*D, Bad), EGException);
  const TGMethodInfo* Echo = D->ClassType()->FindMethod("Echo");
  EXPECT_EQ(Echo->Params[1].Name, "Times");
  std::vector<TGVariant> EchoArgs{TGVariant("ab"), TGVariant(3)};
  EXPECT_EQ(Echo->Call(*D, EchoArgs).ToString(), "ababab");
  // A call on an object of another class is refused rather than misread.
  EXPECT_THROW(Sum->Call(*Other, Args), EInvalidCast);
}

TEST(ClassFacility, RegistryFindsClassesByExactName) {
  RegisterClasses({TBase::StaticClass(), TDerived::StaticClass()});
  RegisterClass(TBase::StaticClass());
  EXPECT_EQ(FindClass("TDerived"), TDerived::StaticClass());
  EXPECT_EQ(FindClass("tderived"), nullptr);
  EXPECT_THROW(GetClass("TNobody"), EGException);
  int Count = 0;
  for (TGClass C : RegisteredClasses()) {
    Count += C == TBase::StaticClass() ? 1 : 0;
  }
  EXPECT_EQ(Count, 1);
}
