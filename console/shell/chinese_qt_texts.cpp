#include "chinese_qt_texts.h"

#include <cstring>

namespace {

struct Text {
    const char* context;
    const char* source;
    const char* chinese;
};

const Text kTexts[] = {
    // Standard buttons, as message boxes and button boxes show them.
    {"QPlatformTheme", "OK", "确定"},
    {"QPlatformTheme", "Cancel", "取消"},
    {"QPlatformTheme", "&Yes", "是"},
    {"QPlatformTheme", "&No", "否"},
    {"QPlatformTheme", "Open", "打开"},
    {"QPlatformTheme", "Save", "保存"},
    {"QPlatformTheme", "Close", "关闭"},
    // The file chooser.
    {"QFileDialog", "&Open", "打开"},
    {"QFileDialog", "&Save", "保存"},
    {"QFileDialog", "&Choose", "选择"},
    {"QFileDialog", "Look in:", "查找范围："},
    {"QFileDialog", "File &name:", "文件名："},
    {"QFileDialog", "Files of type:", "文件类型："},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?", "%1 已经存在。\n要替换它吗？"},
    {"QFileSystemModel", "Name", "名称"},
    {"QFileSystemModel", "Size", "大小"},
    {"QFileSystemModel", "Type", "类型"},
    {"QFileSystemModel", "Date Modified", "修改日期"},
};

} // namespace

QString ChineseQtTexts::translate(const char* context, const char* sourceText, const char*, int) const
{
    if (!context || !sourceText)
        return QString();
    for (const Text& text : kTexts) {
        if (std::strcmp(context, text.context) == 0 && std::strcmp(sourceText, text.source) == 0)
            return QString::fromUtf8(text.chinese);
    }
    return QString();
}
