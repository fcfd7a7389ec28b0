#pragma once
// The root of every persistent or listed object. Objects are made in two
// phases: the constructor sets defaults, an I<Class>() initialiser takes the
// real arguments. Failure is reported by false or null, never by exceptions.

class GFile;

class GObject {
public:
    GObject() = default;
    virtual ~GObject() = default;

    // Slot order matters to nobody on this platform, but is kept as the
    // class family expects it: destructor, CopyItself, Read, Write,
    // CopyDynamicMembers.
    virtual GObject* CopyItself() { return nullptr; }
    virtual void Read(GFile* file) {}
    virtual void Write(GFile* file) {}
    virtual void CopyDynamicMembers() {}
};
