#pragma once

// Counts the requests that the hosts are answering at this moment, and the highest such count.
class TCallCounter {
public:
    void Started() {
        ++m_Current;
        if (m_Current > m_Peak)
            m_Peak = m_Current;
    }
    void Finished() { --m_Current; }
    int Peak() const { return m_Peak; }
    void ResetPeak() { m_Peak = m_Current; }

private:
    int m_Current = 0;
    int m_Peak = 0;
};
