#include "app/TrayTip.h"

#include "platform/Cp932.h"
#include "text/Cp932Bytes.h"

std::u16string trayTooltip(const std::u16string &szTip)
{
    const std::u16string_view text = std::u16string_view(szTip).substr(0, szTip.find(u'\0'));
    return Cp932::decode(Cp932Bytes::cutAt(Cp932::encode(text), TrayTipLength));
}

std::u16string makeSzTip(const std::u16string &text)
{
    constexpr auto length = static_cast<std::size_t>(TrayTipLength);
    std::u16string field = text + u'\0';
    if (field.size() < length)
        field.append(length - field.size(), u' ');
    return field.substr(0, length);
}
