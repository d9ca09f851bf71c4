#pragma once
// A menu that is destroyed with its object: one loaded from the resources or created
// empty. A menu that could not be had is null, and its submenus are null too.
#include <windows.h>

#include "ui/Window.h"

class CMenu {
public:
    explicit CMenu(HMENU menu) : m_menu(menu) {}
    ~CMenu() {
        if (m_menu) ::DestroyMenu(m_menu);
    }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    static CMenu Load(UINT id) { return CMenu(::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(id))); }
    static CMenu CreatePopup() { return CMenu(::CreatePopupMenu()); }

    HMENU Handle() const { return m_menu; }
    HMENU SubMenu(int position) const { return m_menu ? ::GetSubMenu(m_menu, position) : nullptr; }

private:
    HMENU m_menu;
};
