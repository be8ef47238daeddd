"""The wheel carries a native shared library but no Python extension: it is tagged for the
platform (linux_x86_64, ...) and for any Python 3 (py3-none), since the library has no Python ABI."""
from setuptools import setup
from setuptools.dist import Distribution
from wheel.bdist_wheel import bdist_wheel


class NativeLibraryDistribution(Distribution):
    def has_ext_modules(self) -> bool:
        return True


class PlatformWheel(bdist_wheel):
    def finalize_options(self) -> None:
        super().finalize_options()
        self.root_is_pure = False

    def get_tag(self):
        _, _, platform = super().get_tag()
        return "py3", "none", platform


setup(distclass=NativeLibraryDistribution, cmdclass={"bdist_wheel": PlatformWheel})
