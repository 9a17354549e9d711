// Placeholder so the library has a translation unit until its classes land.
namespace zfoundation_placeholder {}
