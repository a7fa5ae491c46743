// A 2-D raster of T with row pointers into one block and a default value that
// every read outside the raster returns. The mesh builder keeps its masks,
// border corners and distance fields in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

namespace frostel {

template <typename T>
class TCRaster {
public:
    // Allocates only when both sides are at least 1 (smaller sides give an
    // empty raster that keeps them); when memory is short the sides become 0.
    TCRaster(int width, int height, T defaultValue) : defaultValue_(defaultValue), width_(width), height_(height) {
        if (width >= 1 && height >= 1 && !Allocate(height, width, static_cast<size_t>(width))) {
            width_ = 0;
            height_ = 0;
        }
    }
    virtual ~TCRaster() { Free(); }

    TCRaster(const TCRaster&) = delete;
    TCRaster& operator=(const TCRaster&) = delete;
    TCRaster(TCRaster&& o) noexcept
        : rows_(o.rows_), block_(o.block_), stride_(o.stride_), owned_(o.owned_), defaultValue_(o.defaultValue_),
          width_(o.width_), height_(o.height_) {
        o.rows_ = nullptr;
        o.block_ = nullptr;
        o.width_ = o.height_ = 0;
    }

    // Type-specific validation hook; no instantiation validates anything.
    virtual bool Check() const { return false; }

    // Replaces the pixels by rows x columns uninitialised ones. False (and an
    // empty raster) when a side is below 1 or memory is short.
    bool Create(int rows, int columns) { return Reshape(rows, columns, columns); }

    // As Create, but row r starts r * stride bytes into the block, so a
    // caller's padded rows can be copied in one go. A stride narrower than
    // the row is refused.
    template <typename U = T, typename = std::enable_if_t<std::is_same<U, unsigned char>::value>>
    bool CreateStrided(int rows, int columns, int stride) {
        return Reshape(rows, columns, stride);
    }

    // As CreateStrided, but the rows are read where they are, in `pixels`,
    // which must outlive the raster's use and is never written through it.
    template <typename U = T, typename = std::enable_if_t<std::is_same<U, unsigned char>::value>>
    bool Borrow(int rows, int columns, int stride, const unsigned char* pixels) {
        Free();
        width_ = 0;
        height_ = 0;
        if (!pixels || rows < 1 || columns < 1 || stride < columns) return false;
        const size_t nrows = static_cast<size_t>(rows);
        rows_ = static_cast<T**>(std::malloc(nrows * sizeof(T*)));
        if (!rows_) return false;
        block_ = const_cast<T*>(pixels);
        owned_ = false;
        for (size_t r = 0; r < nrows; ++r) rows_[r] = block_ + r * static_cast<size_t>(stride);
        stride_ = static_cast<size_t>(stride);
        width_ = columns;
        height_ = rows;
        return true;
    }
    // Lets go of the pixels; the raster is empty.
    void Clear() {
        Free();
        width_ = 0;
        height_ = 0;
    }

    T Get(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return defaultValue_;
        return rows_[y][x];
    }
    void Set(int x, int y, T value) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        rows_[y][x] = value;
    }

    // Unchecked row access for hot loops; y must be inside.
    T* Row(int y) { return rows_[y]; }
    const T* Row(int y) const { return rows_[y]; }
    // The whole block (rows * stride elements), null when empty.
    T* Pixels() { return block_; }
    size_t Stride() const { return stride_; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return rows_ == nullptr; }
    T DefaultValue() const { return defaultValue_; }

private:
    bool Reshape(int rows, int columns, int stride) {
        Free();
        width_ = 0;
        height_ = 0;
        if (rows < 1 || columns < 1 || stride < columns) return false;
        if (!Allocate(rows, columns, static_cast<size_t>(stride))) return false;
        width_ = columns;
        height_ = rows;
        return true;
    }

    bool Allocate(int rows, int columns, size_t stride) {
        (void)columns;
        const size_t nrows = static_cast<size_t>(rows);
        if (stride != 0 && nrows > static_cast<size_t>(PTRDIFF_MAX) / sizeof(T) / stride) return false;
        // T is a plain value type: raw storage, left uninitialised.
        block_ = static_cast<T*>(std::malloc(nrows * stride * sizeof(T)));
        if (block_) rows_ = static_cast<T**>(std::malloc(nrows * sizeof(T*)));
        if (!block_ || !rows_) {
            Free();
            return false;
        }
        for (size_t r = 0; r < nrows; ++r) rows_[r] = block_ + r * stride;
        stride_ = stride;
        return true;
    }

    void Free() {
        std::free(rows_);
        if (owned_) std::free(block_);
        owned_ = true;
        rows_ = nullptr;
        block_ = nullptr;
        stride_ = 0;
    }

    T** rows_ = nullptr;
    T* block_ = nullptr;
    size_t stride_ = 0;
    bool owned_ = true;  // false: borrowed pixels
    T defaultValue_;
    int width_;
    int height_;
};

extern template class TCRaster<unsigned char>;
extern template class TCRaster<int>;
extern template class TCRaster<bool>;

}  // namespace frostel
