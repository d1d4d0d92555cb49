class T
{
private slots:
    void kept() { }
};
