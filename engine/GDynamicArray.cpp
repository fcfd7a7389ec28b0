#include "engine/GDynamicArray.h"

#include <cassert>
#include <cstring>
#include <new>

GDynamicArray::GDynamicArray() = default;

GDynamicArray::~GDynamicArray() {
    Free();
}

void GDynamicArray::Free() {
    delete[] mData;
    mData = nullptr;
    mElementSize = 0;
    mWidth = 0;
    mCount = 0;
}

bool GDynamicArray::IDynamicArray(int16_t elementSize, int32_t rows, int32_t width) {
    Free();
    if (elementSize < 1 || rows < 1 || width < 1) return false;
    int64_t count = static_cast<int64_t>(rows) * width;
    int64_t bytes = count * elementSize;
    if (count > INT32_MAX || bytes > INT32_MAX) return false;
    mData = new (std::nothrow) unsigned char[static_cast<size_t>(bytes)];
    if (mData == nullptr) return false;
    mElementSize = elementSize;
    mWidth = width;
    mCount = static_cast<int32_t>(count);
    return true;
}

void GDynamicArray::GetBounds(int32_t* rows, int32_t* width) const {
    if (rows != nullptr) *rows = mWidth > 0 ? mCount / mWidth : 0;
    if (width != nullptr) *width = mWidth;
}

void* GDynamicArray::GetElement(int32_t row, int32_t column) {
    assert(mData != nullptr && column >= 0 && column < mWidth);
    int64_t index = static_cast<int64_t>(row) * mWidth + column;
    assert(index >= 0 && index < mCount);
    return mData + index * mElementSize;
}

const void* GDynamicArray::GetElement(int32_t row, int32_t column) const {
    return const_cast<GDynamicArray*>(this)->GetElement(row, column);
}

void GDynamicArray::Set(int32_t row, int32_t column, const void* value) {
    std::memcpy(GetElement(row, column), value, static_cast<size_t>(mElementSize));
}

void GDynamicArray::Zero() {
    if (mData != nullptr)
        std::memset(mData, 0, static_cast<size_t>(mCount) * static_cast<size_t>(mElementSize));
}
