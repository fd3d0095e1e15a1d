#include "engine/update/daily_tips.h"

namespace pixmill {
namespace {

// Kept word for word as users have known them, including their line breaks.
const char* const kTips[kDailyTipCount] = {
    "使用前请先导入图片，导入图片有三种方式：\r\n\r\n"
    "1、点击“添加图片”按钮，选择好一个图片目录后即可自动导入图片。\r\n\r\n"
    "2、直接拖放一个图片目录或者图片文件到软件中去，软件会自动导入该目录下的所有图片。\r\n\r\n"
    "3、输入图片目录路径到编辑框中然后按下回车键(Enter键)。\r\n\r\n"
    "软件默认打开上次使用的图片目录，否则打开电脑中的示例图片。",
    "图片目录有记录记忆功能，\r\n\r\n点击图片目录下拉列表框可以查看\r\n\r\n之前打开过的历史图片目"
    "录",
    "图片预览方式有三种：\r\n\r\n超大图标、大图标、详细信息\r\n\r\n"
    "可以点击“添加图片”后面的按钮切换\r\n\r\n也可以右键图片列表，弹出菜单切换",
    "图片在“相信信息”模式下预览，显示栏目：\r\n\r\n"
    "名称、尺寸、文件大小、类型、拍摄日期、修改日期等\r\n\r\n单击任何一个栏目都可以进行排序",
    "主界面主要提供了：\r\n\r\n重命名、缩略图、水印、文字等几个主要功能，\r\n\r\n"
    "更多功能见菜单“批量操作”中",
    "重命名时，可以点击“添加标签”添加重命名规则\r\n\r\n批量处理时会根据图片信息动态重命名图片",
    "批量重命名时，因为不修改文件内容，\r\n\r\n因此直接对原图片名进行修改，\r\n\r\n"
    "生成的改名后的图片仍在原图片目录下",
    "缩略图为您提供了多种预定义的尺寸，\r\n\r\n您也可以“自定义尺寸”大小",
    "水印页面，直接点击水印列表图片即可添加水印\r\n\r\n右键点击出现的水印控件，可以：\r\n\r\n"
    "添加文字，置顶等操作",
    "在软件目录下有一个文件夹“水印”，\r\n\r\n在该目录下创建子文件夹，并复制图片进去\r\n\r\n"
    "重新打开软件后，会显示这些水印图片",
    "“文字”面，选中水印控件后，\r\n\r\n滚动鼠标滚轮可以放大缩小文字",
    "“文字”页面，左键点击“水印位置”设置水印对齐属性，\r\n\r\n"
    "右键点击“水印位置”取消水印对齐属性",
};

}  // namespace

int normalizeTipIndex(int storedIndex) {
    return storedIndex >= 0 && storedIndex < kDailyTipCount ? storedIndex : 0;
}

int previousTipIndex(int index) {
    return index <= 0 ? kDailyTipCount - 1 : normalizeTipIndex(index - 1);
}

int nextTipIndex(int index) {
    return index >= kDailyTipCount - 1 ? 0 : normalizeTipIndex(index + 1);
}

QString dailyTipText(int index) {
    const int tip = normalizeTipIndex(index);
    QString text = QStringLiteral("%1、\r\n\r\n").arg(tip + 1) + QString::fromUtf8(kTips[tip]);
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace pixmill
