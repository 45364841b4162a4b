// Links every object of the engine, with nothing of the window: a reference from the engine
// into the window fails this link.
int main()
{
    return 0;
}
