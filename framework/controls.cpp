#include "framework/controls.h"

int CEdit::GetLineCount() const { return int(::SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0)); }

void CEdit::LineScroll(int lines, int chars) { ::SendMessageA(m_hWnd, EM_LINESCROLL, WPARAM(chars), LPARAM(lines)); }
