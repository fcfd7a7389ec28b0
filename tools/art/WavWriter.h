// 16-bit PCM mono WAV files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int32_t rate);
