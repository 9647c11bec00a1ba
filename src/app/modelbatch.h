#pragma once

#include "varnoletmodel.h"

/// Holds the change signals of derived values back until a compound change is complete, so the
/// window never sees a half-made state (a new original with the old proposal, say).
class VarnoletModel::Batch
{
public:
    explicit Batch(VarnoletModel *model)
        : m_model(model)
    {
        ++m_model->m_batchDepth;
    }
    ~Batch()
    {
        if (--m_model->m_batchDepth == 0)
            m_model->flush();
    }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

private:
    VarnoletModel *m_model;
};
