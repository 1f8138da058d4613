// What screen readers learn of a control: the system's own accessible object
// for it, with the name and description the model gives and decorations
// passed over, as the Qt backend exposes them.
#include "toolkit/win32/win32_accessible.h"

#include <oleacc.h>

#include <atomic>

#include "toolkit/win32/win32_util.h"

namespace toolkit::win32 {

namespace {

// __uuidof, not the IID_ constants: the import library makes oleacc's
// exported IID_IAccessible a function thunk, not the GUID.

// The accessibility libraries, loaded at the first question: a program
// that links them loads them at every start, asked or not.
struct Accessibility {
  decltype(&CreateStdAccessibleObject) createStd = nullptr;
  decltype(&LresultFromObject) lresultFromObject = nullptr;
  decltype(&SysAllocString) allocString = nullptr;
};

const Accessibility* Libraries() {
  static const Accessibility loaded = [] {
    Accessibility a;
    HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
    HMODULE oleaut = LoadLibraryW(L"oleaut32.dll");
    if (!oleacc || !oleaut) return a;
    a.createStd = reinterpret_cast<decltype(a.createStd)>(
        reinterpret_cast<void (*)()>(GetProcAddress(oleacc, "CreateStdAccessibleObject")));
    a.lresultFromObject = reinterpret_cast<decltype(a.lresultFromObject)>(
        reinterpret_cast<void (*)()>(GetProcAddress(oleacc, "LresultFromObject")));
    a.allocString =
        reinterpret_cast<decltype(a.allocString)>(reinterpret_cast<void (*)()>(GetProcAddress(oleaut, "SysAllocString")));
    return a;
  }();
  return loaded.createStd && loaded.lresultFromObject && loaded.allocString ? &loaded : nullptr;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT Give(const Text& text, BSTR* out) {
  if (!out) return E_INVALIDARG;
  *out = text.empty() ? nullptr : Libraries()->allocString(reinterpret_cast<const wchar_t*>(text.c_str()));
  return text.empty() ? S_FALSE : S_OK;
}

LONG RoleOf(Kind kind) {
  switch (kind) {
    case Kind::Label: return ROLE_SYSTEM_STATICTEXT;
    case Kind::TextBox: return ROLE_SYSTEM_TEXT;
    case Kind::ListBox: return ROLE_SYSTEM_LIST;
    case Kind::CommandButton: return ROLE_SYSTEM_PUSHBUTTON;
    case Kind::OptionButton: return ROLE_SYSTEM_RADIOBUTTON;
    case Kind::Frame: return ROLE_SYSTEM_GROUPING;
    case Kind::Image: return ROLE_SYSTEM_GRAPHIC;
    default: return ROLE_SYSTEM_CLIENT;
  }
}

// Nothing of the window lies inside its top-level window's client area once
// every container has clipped it: the window's edge hides it, though the
// system still calls it visible.
bool OutOfSight(HWND window) {
  RECT seen;
  if (!GetWindowRect(window, &seen)) return false;
  for (HWND inner = window; GetWindowLongW(inner, GWL_STYLE) & WS_CHILD;) {
    const HWND outer = GetAncestor(inner, GA_PARENT);
    RECT client;
    if (!outer || !GetClientRect(outer, &client)) break;
    MapWindowPoints(outer, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!IntersectRect(&seen, &seen, &client)) return true;
    inner = outer;
  }
  return false;
}

// Everything is the system object's except what the model says of the
// control itself: its name, description and role, read when asked, since a
// screen reader may keep the object while captions change.
class Annotated final : public IAccessible {
 public:
  Annotated(IAccessible* system, HWND window, const Control& control)
      : system_(system),
        window_(window),
        kind_(control.GetKind()),
        designedName_(control.Design().accessibleName),
        description_(control.Design().toolTip),
        decoration_(control.Design().decorative) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // The children and the window are the system object's; anything else
    // (its marshaling above all) would hand out the object without the names.
    if (iid == __uuidof(IEnumVARIANT) || iid == __uuidof(IOleWindow)) return system_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      system_->Release();
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return system_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return system_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return system_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argument) override {
    return system_->Invoke(id, iid, locale, flags, params, result, exception, argument);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (IsSelf(child)) return Give(decoration_ ? Text{} : Name(), name);
    return system_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (IsSelf(child)) return Give(description_, description);
    return system_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child)) return system_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = decoration_ ? ROLE_SYSTEM_GRAPHIC : RoleOf(kind_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const HRESULT got = system_->get_accState(child, state);
    if (FAILED(got) || !IsSelf(child) || state->vt != VT_I4) return got;
    // Screen readers pass over what is not there for them.
    if (decoration_) state->lVal |= STATE_SYSTEM_INVISIBLE;
    if (OutOfSight(window_)) state->lVal |= STATE_SYSTEM_OFFSCREEN;
    if (kind_ == Kind::OptionButton && SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED)
      state->lVal |= STATE_SYSTEM_CHECKED;
    return got;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return system_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return system_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return system_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return system_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return system_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return system_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return system_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return system_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return system_->get_accSelection(children); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return system_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return system_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return system_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return system_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return system_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return system_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return system_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return system_->put_accValue(child, value);
  }

 private:
  // The design's accessible name, else the caption as shown now, else the tool tip.
  Text Name() const {
    if (!designedName_.empty()) return designedName_;
    Text shown;
    if (IsWindow(window_)) shown = WindowText(window_);
    switch (kind_) {
      case Kind::Label: break;
      case Kind::CommandButton:
      case Kind::OptionButton:
      case Kind::Frame: shown = WithoutAccessKeys(shown); break;
      default: shown.clear(); break;
    }
    return shown.empty() ? description_ : shown;
  }

  IAccessible* system_;
  HWND window_;
  Kind kind_;
  Text designedName_;
  Text description_;
  bool decoration_;
  std::atomic<ULONG> references_ = 1;
};

}  // namespace

bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const Control& control, LRESULT& result) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) return false;
  const Accessibility* libraries = Libraries();
  IAccessible* system = nullptr;
  if (!libraries || FAILED(libraries->createStd(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&system))))
    return false;
  auto* annotated = new Annotated(system, window, control);
  result = libraries->lresultFromObject(__uuidof(IAccessible), wParam, annotated);
  annotated->Release();
  return true;
}

}  // namespace toolkit::win32
