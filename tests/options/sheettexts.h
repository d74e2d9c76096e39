#pragma once

#include <string_view>

#include "resourcelanguagemodule.h"
#include "uitexts.h"

// The texts of the options sheet in both languages, installed for one test.
class SheetTexts {
public:
    enum class Language { Chinese, English };
    explicit SheetTexts(Language language = Language::Chinese)
        : module_("ftp",
                  platform::TextTable::parse(language == Language::Chinese ? chinese() : english()),
                  "") {
        uitexts::install(&module_);
    }
    ~SheetTexts() { uitexts::install(nullptr); }
    SheetTexts(const SheetTexts&) = delete;
    SheetTexts& operator=(const SheetTexts&) = delete;

private:
    static std::string_view chinese() {
        return R"([strings]
1233=确认要删除'%s' 记录文件吗？
1235=新的注册记录
1236=你必须输入服务器注册文件名、服务器名、用户ID、口令和初始化目录名。
1237=选项
1266=默认
1267=最后使用的目录
1268=指定的目录
1310=请输入 0 到 65535 之间的端口号。
1311=扩展名最多只能有 %d 个字符。
1312=无法保存服务器注册文件 '%s'。
[dialog 0]
1=确定
2=取消
[dialog 116]
caption=设置服务器注册文件
1045=服务器注册文件名(&P)
1036=目标服务器名(&S):
1038=用户 ID(&U):
1040=口令(&W):
1058=设置服务器的初始目录(&F)
1042=管理注册文件
1047=创建新注册文件(&N)
1044=删除注册文件(&D)
[dialog 144]
caption=自动模式选项
-2=在此列出的有扩展名的文件按文本模式传送
1041=扩展名(&E)：
1056=添加至列表中(&A)
1057=从列表中删除(&R)
1043=返回初始设置(&S)
[dialog 201]
caption=详细设置
-2=交互模式(&P)
-3=端口号(&O)
-4=防火墙
1064=以非交互模式连接
1066=复位(&R)
1046=使用防火墙(&F)
1016=防火墙服务器名(&N):
1017=防火墙用户 ID(&U):
1018=防火墙口令(&W):
)";
    }
    static std::string_view english() {
        return R"([strings]
1233=Do you really want to delete the profile '%s'?
1235=New profile
1236=You must enter a profile name, a server name, a user ID, a password and an initial directory.
1237=Options
1266=Default
1267=Last used directory
1268=Specified directory
1310=Enter a port number from 0 to 65535.
1311=An extension can have at most %d characters.
1312=The server profile '%s' could not be saved.
[dialog 0]
1=OK
2=Cancel
[dialog 116]
caption=Server profiles
1045=&Profile name
1036=&Server name:
1038=&User ID:
1040=Pass&word:
1058=Initial directory on the server (&F)
1042=Manage profiles
1047=&New profile
1044=&Delete profile
[dialog 144]
caption=Automatic mode
-2=Files with the extensions listed here are transferred in text mode.
1041=&Extension:
1056=&Add to list
1057=&Remove from list
1043=Re&set to defaults
[dialog 201]
caption=Advanced
-2=Data connection (&P)
-3=P&ort number
-4=Firewall
1064=Connect in passive mode
1066=&Reset
1046=Use &firewall
1016=Firewall server &name:
1017=Firewall &user ID:
1018=Firewall pass&word:
)";
    }

    platform::ResourceLanguageModule module_;
};
