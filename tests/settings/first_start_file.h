// The settings file of a first start, as UTF-8 text; on disk it is GBK.
#pragma once

namespace settings_test {

inline constexpr const char* kFirstStartFile =
    "[图片参数]\r\n图片类型=2\r\n旋转角度=0\r\n水平DPI=200\r\n垂直DPI=200\r\n实际英寸=0\r\n图片压缩率=70\r\n"
    "自动矫正=1\r\n自动切边=1\r\n身份证=0\r\n类型=0\r\n"
    "[分辨率参数]\r\nWidth=0\r\nHeight=0\r\nRate=0\r\nData1=1196444237\r\nData2=0\r\nData3=16\r\n"
    "Data4=800000AA00389B71\r\nWidth_Face1=1600\r\nHeight_Face1=1200\r\nRate_Face1=0\r\nData12=844715353\r\n"
    "Data22=0\r\nData32=16\r\nData42=800000AA00389B71\r\n"
    "[水印]\r\n水印开启=0\r\n水印加时间=0\r\n水印内容=\r\n"
    "[分页]\r\n去手指=0\r\n分页=0\r\n展平=0\r\n"
    "[二值化参数]\r\n红色系统=0.300\r\n绿色系统=0.590\r\n蓝色系统=0.110\r\n黑白处理阀值=0.200\r\n"
    "[扫描参数]\r\n扫描类型=0\r\n连扫间隔=5\r\n自动连扫=0\r\n"
    "[框选参数]\r\n框选=0\r\n左=0\r\n上=0\r\n右=0\r\n下=0\r\n"
    "[身份证位置]\r\nSFZLeft=3547\r\nSFZRight=6453\r\nSFZUp=3770\r\nSFZDown=6229\r\n";

}  // namespace settings_test
