// Name lists for generated text databases. All organisation and provider names are made up.
#include "gen-textdb/Vocabulary.h"

namespace ipmdb::tools {
namespace {

constexpr std::string_view kChineseRegions[] = {
    "中国", "北京市", "上海市", "天津市", "重庆市", "广东省", "广东省广州市", "广东省深圳市", "广东省东莞市",
    "广东省佛山市", "广东省汕头市", "福建省", "福建省厦门市", "福建省福州市", "福建省泉州市", "福建省漳州市",
    "浙江省", "浙江省杭州市", "浙江省宁波市", "浙江省温州市", "江苏省", "江苏省南京市", "江苏省苏州市",
    "江苏省无锡市", "江苏省常州市", "山东省", "山东省济南市", "山东省青岛市", "山东省烟台市", "四川省",
    "四川省成都市", "四川省绵阳市", "湖北省", "湖北省武汉市", "湖北省宜昌市", "湖南省", "湖南省长沙市",
    "湖南省株洲市", "河南省", "河南省郑州市", "河南省洛阳市", "河北省", "河北省石家庄市", "河北省唐山市",
    "陕西省", "陕西省西安市", "辽宁省", "辽宁省沈阳市", "辽宁省大连市", "吉林省长春市", "黑龙江省哈尔滨市",
    "安徽省", "安徽省合肥市", "安徽省芜湖市", "江西省", "江西省南昌市", "广西", "广西南宁市", "广西桂林市",
    "云南省", "云南省昆明市", "贵州省贵阳市", "山西省太原市", "内蒙古呼和浩特市", "新疆乌鲁木齐市",
    "甘肃省兰州市", "海南省海口市", "海南省三亚市", "宁夏银川市", "青海省西宁市", "西藏拉萨市", "香港", "澳门",
};

constexpr std::string_view kForeignCountries[] = {
    "美国", "日本", "韩国", "德国", "英国", "法国", "俄罗斯", "加拿大", "澳大利亚", "新加坡", "印度", "巴西",
    "荷兰", "意大利", "西班牙", "瑞典", "瑞士", "波兰", "土耳其", "泰国", "越南", "马来西亚", "印度尼西亚",
    "菲律宾", "墨西哥", "阿根廷", "南非", "埃及", "新西兰", "爱尔兰", "芬兰", "挪威", "丹麦", "比利时", "奥地利",
    "以色列", "沙特阿拉伯", "阿联酋", "乌克兰", "捷克", "葡萄牙", "希腊", "智利", "哥伦比亚", "欧洲", "亚太地区",
};

constexpr std::string_view kChineseNetworks[] = {
    "电信", "联通", "移动", "铁通", "教育网", "广电网", "电信ADSL", "联通ADSL", "电信IDC机房", "联通数据中心",
    "移动数据上网公共出口", "长网宽带", "有线宽带", "光纤宽带", "电信光纤", "移动4G", "联通5G", "BGP机房",
};

constexpr std::string_view kChineseDistricts[] = {
    "思明区", "湖里区", "海淀区", "朝阳区", "浦东新区", "徐汇区", "天河区", "南山区", "西湖区", "鼓楼区",
    "江北区", "高新区", "经济开发区", "城关镇", "开发区",
};

constexpr std::string_view kChineseOrganisations[] = {
    "海滨大学", "东岭师范学院", "青川理工学院", "明湖职业技术学院", "第一中学", "实验小学", "市人民医院",
    "中心医院", "市图书馆", "市政府", "税务局", "星河网络科技有限公司", "蓝鲸数据有限公司", "青松信息技术有限公司",
    "云帆通信", "启明宽带", "远航网络", "金桥网吧", "时代网吧", "软件园", "科技园", "物流园区", "国际酒店",
};

constexpr std::string_view kOrganisationUnits[] = {
    "学生宿舍", "教学楼", "图书馆", "机房", "办公网", "无线网络", "数据中心", "行政楼", "实验楼", "公共出口",
};

constexpr std::string_view kForeignPlaces[] = {
    "加利福尼亚州", "纽约州", "德克萨斯州", "华盛顿州", "东京都", "大阪府", "首尔", "柏林", "法兰克福", "伦敦",
    "巴黎", "莫斯科", "多伦多", "悉尼", "阿姆斯特丹", "孟买",
};

constexpr std::string_view kForeignProviders[] = {
    "Bluefin Hosting",   "Northgate Telecom Ltd", "Kestrel Cloud Services", "Harbor Light Networks",
    "Tidewater Online",  "Copperleaf Systems",    "Silverline Internet",    "O'Malley Broadband",
    "Redwood Data Inc.", "Lanternfish IX",        "Pinecrest Cable",        "Amberwave Mobile",
    "大学",              "公司",                  "骨干网",                 "数据中心",
};

}  // namespace

std::span<const std::string_view> ChineseRegions() { return kChineseRegions; }
std::span<const std::string_view> ForeignCountries() { return kForeignCountries; }
std::span<const std::string_view> ChineseNetworks() { return kChineseNetworks; }
std::span<const std::string_view> ChineseDistricts() { return kChineseDistricts; }
std::span<const std::string_view> ChineseOrganisations() { return kChineseOrganisations; }
std::span<const std::string_view> OrganisationUnits() { return kOrganisationUnits; }
std::span<const std::string_view> ForeignPlaces() { return kForeignPlaces; }
std::span<const std::string_view> ForeignProviders() { return kForeignProviders; }

}  // namespace ipmdb::tools
