#pragma once
// A two-dimensional array of fixed-size elements owned by its object:
// element (row, column) lies at row * width + column. Indices are the
// caller's responsibility (checked only by debug asserts).

#include <cstdint>

#include "engine/GObject.h"

class GDynamicArray : public GObject {
public:
    GDynamicArray();
    ~GDynamicArray() override;
    GDynamicArray(const GDynamicArray&) = delete;
    GDynamicArray& operator=(const GDynamicArray&) = delete;

    // Frees any old block and allocates rows * width elements of
    // elementSize bytes (contents undefined). False, and empty, when a size
    // is below 1 or the block cannot be had.
    bool IDynamicArray(int16_t elementSize, int32_t rows, int32_t width);

    void GetBounds(int32_t* rows, int32_t* width) const;
    void Set(int32_t row, int32_t column, const void* value); // copies one element
    void* GetElement(int32_t row, int32_t column);
    const void* GetElement(int32_t row, int32_t column) const;
    void Zero(); // clears every byte

    int16_t GetElementSize() const { return mElementSize; }
    int32_t GetElementCount() const { return mCount; }
    void* GetData() { return mData; }

private:
    void Free();

    int16_t mElementSize = 0;
    int32_t mWidth = 0;
    int32_t mCount = 0;
    unsigned char* mData = nullptr;
};
