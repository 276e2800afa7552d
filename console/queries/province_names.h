#pragma once

// The 31 provinces the query pages offer, in the order their lists show them.
inline constexpr const char* kProvinceNames[31] = {"安徽", "北京",   "福建",   "甘肃", "广东", "广西", "贵州", "海南",
                                                   "河北", "河南",   "黑龙江", "湖北", "湖南", "吉林", "江苏", "江西",
                                                   "辽宁", "内蒙古", "宁夏",   "青海", "山东", "山西", "陕西", "上海",
                                                   "四川", "天津",   "西藏",   "新疆", "云南", "浙江", "重庆"};
