// COM on the user-interface thread for as long as the program runs: the shell
// may hand a file or an address to extensions that are COM objects and want a
// single-threaded apartment.
#pragma once

class Win32ComApartment {
public:
    Win32ComApartment();
    ~Win32ComApartment();
    Win32ComApartment(const Win32ComApartment &) = delete;
    Win32ComApartment &operator=(const Win32ComApartment &) = delete;

    // False where the thread already had another model: the program goes on
    // without, as it did before.
    bool entered() const { return m_entered; }

private:
    bool m_entered = false;
};
